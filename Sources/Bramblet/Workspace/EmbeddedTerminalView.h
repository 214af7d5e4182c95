#pragma once

#include "ZentrovaView/LocalProcessTerminalView.h"

#include <functional>

namespace bramblet {

// The terminal view of a session: a process-backed view in the application's colours, which tells
// its side when the user clicks into it. Main thread only.
class EmbeddedTerminalView : public zentrova::LocalProcessTerminalView {
public:
    explicit EmbeddedTerminalView(QWidget* parent = nullptr);

    // Fired after the view's own handling of a click.
    std::function<void()> activated;

    // Default background, text, caret and selection colours from the theme, for the current appearance.
    void updateColors();

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace bramblet
