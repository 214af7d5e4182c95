#include "Bramblet/Theme/ActivatableStack.h"

namespace bramblet {

void ActivatableStack::mousePressEvent(QMouseEvent* event)
{
    if (activated)
        activated();
    StackView::mousePressEvent(event);
}

} // namespace bramblet
