#pragma once

#include "Bramblet/Theme/StackView.h"

#include <functional>

namespace bramblet {

// A stack that reports a left click on itself (not one a child control consumes) before handling
// it, so a pane header can make its side active.
class ActivatableStack : public StackView {
    Q_OBJECT

public:
    using StackView::StackView;

    std::function<void()> activated;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace bramblet
