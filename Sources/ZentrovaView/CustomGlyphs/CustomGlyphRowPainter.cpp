#include "CustomGlyphRowPainter.h"

#include "ZentrovaView/CustomGlyphs/CustomGlyphPainter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zentrova {

int customGlyphBaseThickness(double scale, double underlineThickness)
{
    const auto rounded = [](double v) { return static_cast<int>(std::lround(v)); };
    return std::max({ rounded(scale), rounded(scale * underlineThickness * 1.35), 1 });
}

void paintCustomGlyphRow(QPainter& painter, const ViewLineInfo& info, const CustomGlyphRowMetrics& metrics)
{
    if (info.blockElements.empty() && info.boxDrawings.empty() && info.powerlines.empty())
        return;
    const double scale = metrics.scale > 0 ? metrics.scale : 1;
    const int cellPx = std::max(static_cast<int>(std::lround(scale * metrics.cellWidth)), 1);
    const int heightPx = std::max(static_cast<int>(std::lround(scale * metrics.rowRect.height())), 1);
    const double leftPx = std::round(metrics.rowRect.left() * scale);
    const double topPx = std::round(metrics.rowRect.top() * scale);
    const auto origin = [&](int column) { return QPointF(leftPx + cellPx * column, topPx); };

    painter.save();
    painter.scale(1 / scale, 1 / scale);
    for (const BlockElementRenderItem& item : info.blockElements)
        CustomGlyphPainter::paintBlockElement(painter, origin(item.column), item.rects,
                                              QSizeF(cellPx * item.columnWidth, heightPx), item.foregroundColor,
                                              metrics.antiAliasBlocks);
    for (const BoxDrawingRenderItem& item : info.boxDrawings) {
        if (const std::optional<BoxDrawingShape> shape =
                boxDrawingShape(item.codePoint, cellPx * item.columnWidth, heightPx, scale, metrics.baseThicknessPx))
            CustomGlyphPainter::paintBoxDrawing(painter, origin(item.column), *shape, item.foregroundColor);
    }
    for (const PowerlineRenderItem& item : info.powerlines) {
        if (const std::optional<PowerlineGlyph> glyph = PowerlineRenderer::glyph(item.codePoint)) {
            const QPointF at = origin(item.column);
            CustomGlyphPainter::paintPowerline(painter,
                                               PowerlineRenderer::shape(*glyph, at.x(), at.y(),
                                                                        at.x() + cellPx * item.columnWidth,
                                                                        at.y() + heightPx, 1, 1),
                                               item.foregroundColor);
        }
    }
    painter.restore();
}

} // namespace zentrova
