#include "Bramblet/Theme/ColorView.h"


#include <QPainter>
#include <QPainterPath>

namespace bramblet {
namespace {

constexpr qreal cornerRadius = 8;

QPainterPath roundedPath(const QRect& rect)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), cornerRadius, cornerRadius);
    return path;
}

} // namespace

ColorView::ColorView(const AdaptiveColor& color, bool rounded, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
    , m_rounded(rounded)
{
}

void ColorView::setColor(const AdaptiveColor& color)
{
    m_color = color;
    update();
}

void ColorView::paintEvent(QPaintEvent*)
{
    const QColor fill = m_color.resolved();
    if (fill.alpha() == 0)
        return;
    QPainter painter(this);
    if (!m_rounded) {
        painter.fillRect(rect(), fill);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedPath(rect()), fill);
}

void ColorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Children are clipped to the rounded corners through the mask; the fill itself is painted
    // antialiased inside it.
    if (m_rounded)
        setMask(QRegion(roundedPath(rect()).toFillPolygon().toPolygon()));
}

} // namespace bramblet
