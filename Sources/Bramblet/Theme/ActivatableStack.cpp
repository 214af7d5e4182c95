#include "Bramblet/Theme/ActivatableStack.h"

#include <QMouseEvent>

namespace bramblet {

void ActivatableStack::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && activated)
        activated();
    StackView::mousePressEvent(event);
}

} // namespace bramblet
