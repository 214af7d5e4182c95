#pragma once

#include "ZentrovaView/CustomGlyphs/CustomGlyphPainter.h"

#include <QImage>
#include <QStringList>

#include <cstdint>
#include <ostream>

// Readable failures for the ASCII-art rows.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace zentrova {

inline QImage renderGlyph(std::uint32_t codePoint, int widthPx, int heightPx, qreal ratio = 1, int columns = 1,
                          int baseThicknessPx = 1)
{
    CustomGlyphRequest request;
    request.codePoint = codePoint;
    request.cellPx = QSize(widthPx, heightPx);
    request.columnWidth = columns;
    request.devicePixelRatio = ratio;
    request.baseThicknessPx = baseThicknessPx;
    return renderCustomGlyph(request);
}

// Raw pixel alpha, whatever the image's device-pixel ratio.
inline int alphaAt(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

// The image as rows of '#' (opaque), '.' (empty) and '+' (partly covered).
inline QStringList coverage(const QImage& image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = alphaAt(image, x, y);
            row += alpha == 255 ? '#' : alpha == 0 ? '.' : '+';
        }
        rows << row;
    }
    return rows;
}

inline bool hasInk(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (alphaAt(image, x, y) > 0)
                return true;
    return false;
}

} // namespace zentrova
