// The Edit commands a focused terminal view answers: copy, paste and select all; and the primary
// selection a mouse selection sets and a middle click pastes.

#include "ZentrovaView/TerminalView.h"

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
    // As typed text, but marked as a paste: wrapped when the program asked for bracketed pastes,
    // with ESC and C1 controls taken out so a pasted end marker cannot close it early.
    insertText(QGuiApplication::clipboard()->text(), true);
}

void TerminalView::pastePrimarySelection()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection())
        insertText(clipboard->text(QClipboard::Selection), true);
}

void TerminalView::setPrimarySelectionFromSelection()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection() || !m_selection || !m_selection->active())
        return;
    const std::string text = m_selection->getSelectedText();
    if (!text.empty())
        clipboard->setText(QString::fromStdString(text), QClipboard::Selection);
}

void TerminalView::selectAll()
{
    ensureSelection().selectAll();
    update();
}

} // namespace zentrova
