#include "ZentrovaView/Gpu/CoreTextGlyphRasterizer.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <cmath>
#include <cstring>

namespace zentrova {

std::optional<GlyphBitmap> CoreTextGlyphRasterizer::rasterize(const QRawFont& font, uint16_t glyph) const
{
    if (!font.isValid())
        return std::nullopt;
    // Qt's bounds run y down from the baseline; the bitmap's bearing is y up.
    const QRectF bounds = font.boundingRect(glyph);
    if (!(bounds.width() > 0) || !(bounds.height() > 0))
        return std::nullopt;
    const double minX = bounds.left();
    const double minY = -bounds.bottom();
    const int x0 = int(std::floor(minX));
    const int y0 = int(std::floor(minY));
    const int width = int(std::ceil(minX + bounds.width())) - x0;
    const int height = int(std::ceil(minY + bounds.height())) - y0;
    if (width <= 0 || height <= 0)
        return std::nullopt;

    // ARGB32 premultiplied is blue, green, red, alpha in memory on little-endian machines.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "glyph bitmaps are read as blue-green-red-alpha bytes");
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(Qt::white);
        painter.setBrush(Qt::white);
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes({ glyph });
        // The glyph origin sits x0 pixels right of the bitmap's left edge and (height + y0) below its top.
        run.setPositions({ QPointF(-x0, height + y0) });
        painter.drawGlyphRun(QPointF(0, 0), run);
    }

    GlyphBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bearing = { double(x0), double(y0) };
    bitmap.pixels.resize(size_t(width) * size_t(height) * 4);
    for (int row = 0; row < height; ++row)
        std::memcpy(bitmap.pixels.data() + size_t(row) * size_t(width) * 4, image.constScanLine(row), size_t(width) * 4);
    for (size_t i = 0; i < bitmap.pixels.size(); i += 4) {
        const uint8_t* p = &bitmap.pixels[i];
        if (p[0] != p[1] || p[1] != p[2]) {
            bitmap.isColor = true;
            break;
        }
    }
    return bitmap;
}

} // namespace zentrova
