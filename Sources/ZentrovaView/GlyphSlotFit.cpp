#include "ZentrovaView/GlyphSlotFit.h"

#include <QList>
#include <QPointF>

#include <algorithm>
#include <cmath>

namespace zentrova {

GlyphSlotFit GlyphSlotFit::fit(const QRawFont& font, quint32 glyph, int columnWidth, std::optional<QSizeF> cellSize,
                               double baselineOffset)
{
    if (columnWidth <= 1 || !cellSize)
        return {};
    const QList<QPointF> advances = font.advancesForGlyphIndexes(QList<quint32> { glyph });
    const double advance = advances.isEmpty() ? 0 : advances.first().x();
    if (advance <= 0)
        return {};
    const double slotWidth = cellSize->width() * columnWidth;
    const double cellHeight = cellSize->height();
    const QRectF box = font.boundingRect(glyph);
    if ((box.width() <= slotWidth && box.height() <= cellHeight) || box.isEmpty())
        return { (slotWidth - advance) / 2, 0, 1 };
    const double scale = std::clamp(std::min(cellHeight / box.height(), slotWidth / box.width()), 0.1, 1.0);
    // The scaled box's centre goes to the cell's centre; box.center().y() is below the baseline when
    // positive (Qt's boxes grow downwards).
    const double baselineFromTop = cellHeight - std::ceil(baselineOffset);
    const double dy = cellHeight / 2 - baselineFromTop - scale * box.center().y();
    return { (slotWidth - scale * advance) / 2, dy, scale };
}

} // namespace zentrova
