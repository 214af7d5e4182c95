#include "Bramblet/Theme/SegmentButton.h"

#include "Bramblet/Theme/Theme.h"

#include <QFocusEvent>
#include <QPainter>

namespace bramblet {

namespace {

constexpr qreal disabledAlpha = 0.4;
constexpr qreal hoverAlpha = 0.08;
constexpr qreal cornerRadius = 5;

} // namespace

SegmentButton::SegmentButton(QWidget* parent)
    : QToolButton(parent)
{
    setCheckable(true);
    setAutoRaise(true);
}

void SegmentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (isEnabled() && (underMouse() || isDown())) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::primary().withAlpha(hoverAlpha).resolved());
        painter.drawRoundedRect(bounds, cornerRadius, cornerRadius);
    }
    if (hasFocus() && m_keyboardFocus) {
        painter.setPen(QPen(Theme::cyan().resolved(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds, cornerRadius, cornerRadius);
    }
    if (!icon().isNull()) {
        // A symbol draws itself in the text colour (dimmed in the disabled mode).
        QRect target(QPoint(), iconSize());
        target.moveCenter(rect().center());
        icon().paint(&painter, target, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        return;
    }
    const AdaptiveColor& ink = Theme::primary();
    painter.setPen((isEnabled() ? ink : ink.withAlpha(disabledAlpha)).resolved());
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void SegmentButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason;
    QToolButton::focusInEvent(event);
}

} // namespace bramblet
