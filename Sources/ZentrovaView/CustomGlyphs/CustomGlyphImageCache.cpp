#include "CustomGlyphImageCache.h"

#include "ZentrovaView/CustomGlyphs/CustomGlyphPainter.h"

#include <QPainter>

#include <functional>

namespace zentrova {
namespace {

// Emptied whole when full: a screen uses a few hundred glyphs at one size.
constexpr size_t maximumEntries = 4096;
// Colours kept per glyph; the oldest goes first.
constexpr size_t maximumTints = 8;

} // namespace

size_t CustomGlyphImageKeyHash::operator()(const CustomGlyphImageKey& key) const
{
    size_t hash = std::hash<std::uint32_t>()(key.codePoint);
    const auto mix = [&hash](size_t value) { hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2); };
    mix(std::hash<int>()(key.widthPx));
    mix(std::hash<int>()(key.heightPx));
    mix(std::hash<double>()(key.scale));
    mix(std::hash<int>()(key.baseThicknessPx));
    mix(size_t(key.antiAlias));
    return hash;
}

CustomGlyphImageCache& CustomGlyphImageCache::shared()
{
    static CustomGlyphImageCache cache;
    return cache;
}

QImage CustomGlyphImageCache::paintMask(const CustomGlyphImageKey& key)
{
    if (key.widthPx <= 0 || key.heightPx <= 0)
        return {};
    const std::vector<BlockElementRect>* rects = BlockElementMapping::rects(key.codePoint);
    std::optional<BoxDrawingShape> shape;
    if (!rects) {
        shape = boxDrawingShape(key.codePoint, key.widthPx, key.heightPx, key.scale, key.baseThicknessPx);
        if (!shape)
            return {};
    }
    QImage mask(key.widthPx + 2 * margin, key.heightPx + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    const QPointF origin(margin, margin);
    if (rects)
        CustomGlyphPainter::paintBlockElement(painter, origin, *rects, QSizeF(key.widthPx, key.heightPx), Qt::white,
                                              key.antiAlias);
    else
        CustomGlyphPainter::paintBoxDrawing(painter, origin, *shape, Qt::white);
    return mask;
}

const QImage& CustomGlyphImageCache::image(const CustomGlyphImageKey& key, const QColor& color)
{
    auto found = m_entries.find(key);
    if (found == m_entries.end()) {
        if (m_entries.size() >= maximumEntries)
            m_entries.clear();
        found = m_entries.emplace(key, Entry { paintMask(key), {} }).first;
    }
    Entry& entry = found->second;
    if (entry.mask.isNull())
        return entry.mask;
    const QRgb rgba = color.rgba();
    for (const auto& [tintColor, tinted] : entry.tints) {
        if (tintColor == rgba)
            return tinted;
    }
    if (entry.tints.size() >= maximumTints)
        entry.tints.erase(entry.tints.begin());
    // The white glyph's coverage, in the colour: what painting it in that colour would have laid down.
    QImage tinted = entry.mask.copy();
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(tinted.rect(), color);
    painter.end();
    entry.tints.emplace_back(rgba, std::move(tinted));
    return entry.tints.back().second;
}

} // namespace zentrova
