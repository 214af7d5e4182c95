#include "Bramblet/Theme/SquareCheckbox.h"

#include "Bramblet/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace bramblet {
namespace {

constexpr int side = 16;
constexpr qreal cornerRadius = 3;

} // namespace

SquareCheckbox::SquareCheckbox(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFixedSize(side, side);
}

QSize SquareCheckbox::sizeHint() const
{
    return QSize(side, side);
}

void SquareCheckbox::paintEvent(QPaintEvent*)
{
    using Theme::SystemColor;
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath square;
    square.addRoundedRect(r, cornerRadius, cornerRadius);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isChecked()) {
        const auto outline = isEnabled() ? SystemColor::tertiaryLabel : SystemColor::quaternaryLabel;
        painter.strokePath(square, QPen(Theme::systemColor(outline).resolved(), 1.2));
        return;
    }
    painter.fillPath(square, isEnabled() ? Theme::cyan().resolved()
                                         : Theme::systemColor(SystemColor::quaternaryLabel).resolved());
    const qreal w = r.width();
    const qreal h = r.height();
    QPainterPath check;
    check.moveTo(r.left() + 0.22 * w, r.center().y() - 0.02 * h);
    check.lineTo(r.left() + 0.42 * w, r.bottom() - 0.22 * h);
    check.lineTo(r.right() - 0.18 * w, r.top() + 0.26 * h);
    painter.strokePath(check, QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

} // namespace bramblet
