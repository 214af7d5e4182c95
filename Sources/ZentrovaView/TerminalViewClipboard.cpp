// The Edit commands a focused terminal view answers: copy, paste and select all.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Parser/EscapeSequences.h"
#include "Zentrova/Text/SelectionService.h"

#include <QClipboard>
#include <QGuiApplication>

namespace zentrova {

void TerminalView::copy()
{
    const bool selected = m_selection && m_selection->active();
    QGuiApplication::clipboard()->setText(selected ? QString::fromStdString(m_selection->getSelectedText()) : QString());
}

void TerminalView::paste()
{
    QString text = QGuiApplication::clipboard()->text();
    std::vector<uint8_t> bytes;
    if (m_terminal->bracketedPasteMode) {
        // A pasted end marker, or ESC and C1 controls that could make one, must not close the paste
        // early and let the rest run as typed commands.
        text.removeIf([](QChar character) {
            return character == QChar(0x1B) || (character.unicode() >= 0x80 && character.unicode() <= 0x9F);
        });
        const auto start = EscapeSequences::bracketedPasteStart();
        bytes.assign(start.begin(), start.end());
    }
    const QByteArray utf8 = text.toUtf8();
    bytes.insert(bytes.end(), utf8.begin(), utf8.end());
    if (m_terminal->bracketedPasteMode) {
        const auto end = EscapeSequences::bracketedPasteEnd();
        bytes.insert(bytes.end(), end.begin(), end.end());
    }
    send(bytes);
}

void TerminalView::selectAll()
{
    if (!m_selection)
        setSelection(std::make_shared<SelectionService>(*m_terminal));
    m_selection->selectAll();
    update();
}

} // namespace zentrova
