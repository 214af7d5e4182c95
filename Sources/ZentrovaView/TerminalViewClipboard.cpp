// The Edit commands a focused terminal view answers: copy, paste and select all.

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

void TerminalView::selectAll()
{
    ensureSelection().selectAll();
    update();
}

} // namespace zentrova
