#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QToolButton>

class QGraphicsDropShadowEffect;

namespace bramblet {

// A toolbar button that lights up in its accent colour while it is checked, hovered or pressed:
// a tinted rounded backdrop, a glow, and its symbol or title in the accent colour; unlit, the
// content is drawn in the secondary label colour on nothing.
//
// The look is recomputed when the button is made, when the pointer enters or leaves it, around
// every click and whenever the accent colour is set; not when the checked state is changed from
// code, so a caller that does that sets the accent colour again.
class ToolbarAccentButton : public QToolButton {
    Q_OBJECT

public:
    explicit ToolbarAccentButton(QWidget* parent = nullptr);

    const AdaptiveColor& accentColor() const { return m_accentColor; }
    void setAccentColor(const AdaptiveColor& color);

    bool hovering() const { return m_hovering; }
    bool pressing() const { return m_pressing; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateAccent();

    AdaptiveColor m_accentColor;
    bool m_hovering = false;
    bool m_pressing = false;
    bool m_lit = false;
    QGraphicsDropShadowEffect* m_glow;
};

} // namespace bramblet
