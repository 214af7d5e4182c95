#include "ZentrovaView/GlyphSlotFit.h"

#include <QHash>
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
    const bool fills = isColorFont(font);
    if ((!fills && box.width() <= slotWidth && box.height() <= cellHeight) || box.isEmpty())
        return { (slotWidth - advance) / 2, 0, 1 };
    const double fit = std::min(cellHeight / box.height(), slotWidth / box.width());
    const double scale = fills ? std::max(fit, 0.1) : std::clamp(fit, 0.1, 1.0);
    // The scaled box's centre goes to the cell's centre; box.center().y() is below the baseline when
    // positive (Qt's boxes grow downwards).
    const double baselineFromTop = cellHeight - std::ceil(baselineOffset);
    const double dy = cellHeight / 2 - baselineFromTop - scale * box.center().y();
    return { (slotWidth - scale * advance) / 2, dy, scale };
}

bool GlyphSlotFit::isColorFont(const QRawFont& font)
{
    // Looked up once per face: the tables can be megabytes, and fontTable() copies them.
    static QHash<QString, bool> known;
    const QString key = font.familyName() + u'\n' + font.styleName();
    if (const auto found = known.constFind(key); found != known.constEnd())
        return *found;
    const bool color = !font.fontTable("CBLC").isEmpty() || !font.fontTable("COLR").isEmpty()
        || !font.fontTable("sbix").isEmpty();
    known.insert(key, color);
    return color;
}

} // namespace zentrova
