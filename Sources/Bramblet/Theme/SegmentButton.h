#pragma once

#include <QToolButton>

namespace bramblet {

// One segment of a segmented control: its symbol or its text in the theme's text colour of the
// appearance in effect, dimmed when disabled, and nothing of the style's button bevel, which
// would read as pressed on one look and raised on the other. The control around it shows which
// segment is selected (SegmentFrame).
class SegmentButton : public QToolButton {
    Q_OBJECT

public:
    explicit SegmentButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // The focus ring shows only when the keyboard brought the focus here, so that it is never
    // taken for the selection band.
    bool m_keyboardFocus = false;
};

} // namespace bramblet
