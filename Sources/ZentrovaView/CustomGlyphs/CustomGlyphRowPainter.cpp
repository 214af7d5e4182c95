#include "CustomGlyphRowPainter.h"

#include "ZentrovaView/CustomGlyphs/CustomGlyphImageCache.h"
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
    // Blocks and boxes come from the cache of painted glyphs; the image's margin lies around the slot.
    CustomGlyphImageCache& cache = CustomGlyphImageCache::shared();
    const QPointF marginOffset(CustomGlyphImageCache::margin, CustomGlyphImageCache::margin);
    for (const BlockElementRenderItem& item : info.blockElements) {
        const CustomGlyphImageKey key { item.codePoint, cellPx * item.columnWidth, heightPx, scale, 0,
                                        metrics.antiAliasBlocks };
        painter.drawImage(origin(item.column) - marginOffset, cache.image(key, item.foregroundColor));
    }
    for (const BoxDrawingRenderItem& item : info.boxDrawings) {
        const CustomGlyphImageKey key { item.codePoint, cellPx * item.columnWidth, heightPx, scale,
                                        metrics.baseThicknessPx, false };
        painter.drawImage(origin(item.column) - marginOffset, cache.image(key, item.foregroundColor));
    }
    for (const PowerlineRenderItem& item : info.powerlines) {
        if (const std::optional<PowerlineGlyph> glyph = PowerlineRenderer::glyph(item.codePoint)) {
            const QPointF at = origin(item.column);
            CustomGlyphPainter::paintPowerline(painter,
                                               PowerlineRenderer::shape(*glyph, at.x(), at.y(),
                                                                        at.x() + cellPx * item.columnWidth,
                                                                        at.y() + heightPx, metrics.powerlineGridX,
                                                                        metrics.powerlineGridY),
                                               item.foregroundColor);
        }
    }
    painter.restore();
}

} // namespace zentrova
