#include "Bramblet/Theme/ToolbarAccentButton.h"

#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>

namespace bramblet {
namespace {

constexpr qreal cornerRadius = 7;
constexpr qreal glowRadius = 7;
constexpr float glowOpacity = 0.65f;
constexpr float backdropAlpha = 0.16f;
constexpr qreal disabledOpacity = 0.4;

} // namespace

ToolbarAccentButton::ToolbarAccentButton(QWidget* parent)
    : QToolButton(parent)
    , m_accentColor(Theme::cyan())
    , m_glow(new QGraphicsDropShadowEffect(this))
{
    m_glow->setOffset(0, 0);
    m_glow->setBlurRadius(glowRadius);
    setGraphicsEffect(m_glow);
    connect(&ApplicationAppearance::shared(), &ApplicationAppearance::effectiveAppearanceChanged, this,
            &ToolbarAccentButton::updateAccent);
    updateAccent();
}

void ToolbarAccentButton::setAccentColor(const AdaptiveColor& color)
{
    m_accentColor = color;
    updateAccent();
}

void ToolbarAccentButton::updateAccent()
{
    m_lit = isChecked() || m_hovering || m_pressing;
    QColor glow = m_accentColor.resolved();
    glow.setAlphaF(glow.alphaF() * glowOpacity);
    m_glow->setColor(glow);
    m_glow->setEnabled(m_lit);
    update();
}

void ToolbarAccentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = m_accentColor.resolved();
    if (m_lit) {
        QColor backdrop = accent;
        backdrop.setAlphaF(accent.alphaF() * backdropAlpha);
        painter.setPen(Qt::NoPen);
        painter.setBrush(backdrop);
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    }
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    const QColor content = m_lit ? accent : Theme::systemColor(Theme::SystemColor::secondaryLabel).resolved();
    if (!icon().isNull()) {
        const QPixmap pixmap = ImageView::tinted(icon(), iconSize(), devicePixelRatioF(), content);
        QRectF target(QPointF(), QSizeF(pixmap.size()) / pixmap.devicePixelRatio());
        target.moveCenter(QRectF(rect()).center());
        painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
        return;
    }
    painter.setPen(content);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void ToolbarAccentButton::enterEvent(QEnterEvent* event)
{
    QToolButton::enterEvent(event);
    // The pointer lights buttons of the active window only, as other windows' toolbars stay calm.
    if (!isActiveWindow())
        return;
    m_hovering = true;
    updateAccent();
}

void ToolbarAccentButton::leaveEvent(QEvent* event)
{
    QToolButton::leaveEvent(event);
    m_hovering = false;
    updateAccent();
}

void ToolbarAccentButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressing = true;
        updateAccent();
    }
    QToolButton::mousePressEvent(event);
}

void ToolbarAccentButton::mouseReleaseEvent(QMouseEvent* event)
{
    // The inherited release toggles a checkable button and emits clicked; the look follows after.
    QToolButton::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_pressing) {
        m_pressing = false;
        updateAccent();
    }
}

} // namespace bramblet
