#include "Bramblet/Theme/ImageView.h"

#include "Bramblet/Theme/Theme.h"

#include <QPainter>

namespace bramblet {

ImageView::ImageView(QWidget* parent)
    : QWidget(parent)
{
}

void ImageView::setIcon(const QIcon& icon, bool isTemplate)
{
    m_icon = icon;
    m_template = isTemplate;
    update();
}

void ImageView::setTint(const std::optional<AdaptiveColor>& tint)
{
    m_tint = tint;
    update();
}

QSize ImageView::sizeHint() const
{
    return QSize(16, 16);
}

QPixmap ImageView::tinted(const QIcon& icon, QSize size, qreal devicePixelRatio, const QColor& color)
{
    QPixmap pixmap = icon.pixmap(size, devicePixelRatio);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(), pixmap.size()), color);
    return pixmap;
}

void ImageView::paintEvent(QPaintEvent*)
{
    if (m_icon.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    const QPixmap pixmap = m_template
        ? tinted(m_icon, size(), ratio, m_tint.value_or(Theme::systemColor(Theme::SystemColor::label)).resolved())
        : m_icon.pixmap(size(), ratio);
    if (pixmap.isNull())
        return;
    // The icon may come back smaller than asked (a small bundled file); scale it up proportionally.
    const QSizeF fitted = (QSizeF(pixmap.size()) / pixmap.devicePixelRatio()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    QRectF target(QPointF(), fitted);
    target.moveCenter(QRectF(rect()).center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
}

} // namespace bramblet
