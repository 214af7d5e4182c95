#include "Bramblet/Workspace/EmbeddedTerminalView.h"

#include "Bramblet/Theme/Theme.h"

#include <QEvent>

namespace bramblet {

EmbeddedTerminalView::EmbeddedTerminalView(QWidget* parent)
    : LocalProcessTerminalView(parent)
{
}

void EmbeddedTerminalView::updateColors()
{
    setNativeBackgroundColor(Theme::terminal().resolved());
    setNativeForegroundColor(Theme::systemColor(Theme::SystemColor::label).resolved());
    setCaretColor(Theme::amber().resolved());
    QColor selection = Theme::amber().resolved();
    selection.setAlphaF(0.25f);
    setSelectedTextBackgroundColor(selection);
}

void EmbeddedTerminalView::changeEvent(QEvent* event)
{
    LocalProcessTerminalView::changeEvent(event);
    // A switch of the appearance arrives as a palette change; a new window may bring another one.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        updateColors();
}

void EmbeddedTerminalView::mousePressEvent(QMouseEvent* event)
{
    LocalProcessTerminalView::mousePressEvent(event);
    if (activated)
        activated();
}

} // namespace bramblet
