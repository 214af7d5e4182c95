#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QWidget>

namespace bramblet {

// A view filled with one colour, the root and backdrop of most panels. An adaptive colour is
// resolved for the appearance in effect at each paint, and the view repaints when the appearance
// changes. A rounded view has corners of radius 8 and clips its children to them.
class ColorView : public QWidget {
    Q_OBJECT

public:
    // There is deliberately no constructor without a colour.
    explicit ColorView(const AdaptiveColor& color, bool rounded = false, QWidget* parent = nullptr);

    const AdaptiveColor& color() const { return m_color; }
    void setColor(const AdaptiveColor& color);
    bool isRounded() const { return m_rounded; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    AdaptiveColor m_color;
    bool m_rounded;
};

} // namespace bramblet
