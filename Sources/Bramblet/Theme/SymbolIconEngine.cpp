#include "Bramblet/Theme/SymbolIconEngine.h"

#include "Bramblet/Theme/Theme.h"

#include <QPainter>

#include <utility>

namespace bramblet {

namespace {

// A disabled symbol stays legible but clearly set back from the enabled ones beside it.
constexpr qreal disabledAlpha = 0.4;

} // namespace

SymbolIconEngine::SymbolIconEngine(QIcon source)
    : m_source(std::move(source))
{
}

QColor SymbolIconEngine::tint(QIcon::Mode mode)
{
    const AdaptiveColor& primary = Theme::primary();
    return (mode == QIcon::Disabled ? primary.withAlpha(disabledAlpha) : primary).resolved();
}

void SymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap image = scaledPixmap(rect.size(), mode, state, ratio);
    if (image.isNull())
        return;
    QRectF target(QPointF(), QSizeF(image.size()) / image.devicePixelRatio());
    target.moveCenter(QRectF(rect).center());
    painter->drawPixmap(target, image, QRectF(image.rect()));
}

QPixmap SymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    // The source's own disabled or selected look would be tinted away; its plain shape is used.
    QPixmap image = m_source.pixmap(size, scale, QIcon::Normal, state);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(), image.size()), tint(mode));
    return image;
}

QSize SymbolIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return m_source.actualSize(size, mode, state);
}

QList<QSize> SymbolIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return m_source.availableSizes(mode, state);
}

QIconEngine* SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(m_source);
}

QString SymbolIconEngine::key() const
{
    return QStringLiteral("BrambletSymbol");
}

bool SymbolIconEngine::isNull()
{
    return m_source.isNull();
}

} // namespace bramblet
