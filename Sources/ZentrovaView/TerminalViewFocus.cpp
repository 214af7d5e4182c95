// Keyboard focus and window activation: the caret's look follows them, and a program that asked for
// focus reports hears of every change.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/CaretView.h"

#include <QEvent>
#include <QFocusEvent>

namespace zentrova {

void TerminalView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    setHasFocus(true);
    m_terminal->setTerminalFocus(true);
}

void TerminalView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // Losing focus leaves a steady, fully opaque caret.
    m_caretView->disableAnimations();
    setHasFocus(false);
    m_terminal->setTerminalFocus(false);
}

void TerminalView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The focus the caret shows also depends on the window being the active one.
    if (event->type() == QEvent::ActivationChange)
        m_caretView->updateCursorStyle();
}

} // namespace zentrova
