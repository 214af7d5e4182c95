#pragma once

#include "BlockElementMapping.h"
#include "BoxDrawingGeometry.h"
#include "PowerlineGeometry.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

#include <cstdint>

class QPainter;

namespace zentrova {

// Paints the glyphs the view draws itself. Every painter here works in device pixels from the cell's
// top-left corner (`origin`), so lines land on whole pixels at any scale.
namespace CustomGlyphPainter {

// Rectangles snapped outwards to whole pixels unless `antiAlias` is on; shades lay down their share of
// the colour's alpha.
void paintBlockElement(QPainter& painter, QPointF origin, const std::vector<BlockElementRect>& rects, QSizeF slotPx,
                       const QColor& color, bool antiAlias);
void paintBoxDrawing(QPainter& painter, QPointF origin, const BoxDrawingShape& shape, const QColor& color);
void paintPowerline(QPainter& painter, const PowerlineShape& shape, const QColor& color);

} // namespace CustomGlyphPainter

// One glyph to paint into an image of its own, for the atlas and the caret.
struct CustomGlyphRequest {
    std::uint32_t codePoint = 0;
    QSize cellPx;          // one column, in device pixels
    int columnWidth = 1;   // columns the glyph covers
    qreal devicePixelRatio = 1;
    QColor color = Qt::white;
    int baseThicknessPx = 1;
    bool antiAliasBlocks = false;
};

// Whether the view paints this code point itself.
bool isCustomGlyph(std::uint32_t codePoint);

// The glyph on a transparent image of the slot's device-pixel size carrying the request's ratio; a null
// image for code points drawn from the font.
QImage renderCustomGlyph(const CustomGlyphRequest& request);

} // namespace zentrova
