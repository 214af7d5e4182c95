#include "ZentrovaView/Gpu/ShaperCache.h"

#include "ZentrovaView/CellGlyphShaper.h"
#include "ZentrovaView/ViewLineInfo.h"

#include <QHashFunctions>

#include <numeric>

namespace zentrova {

size_t ShaperCache::KeyHash::operator()(const ShaperKey& key) const
{
    return (*this)(KeyEqual::view(key));
}

size_t ShaperCache::KeyHash::operator()(const ShaperKeyView& key) const
{
    size_t seed = hashFields(key.fontName, key.fontSize);
    hashCombine(seed, size_t(qHash(key.text)));
    for (int cell : key.cells)
        hashCombine(seed, cell);
    return seed;
}

std::shared_ptr<const ShaperRun> ShaperCache::shape(QStringView text, std::span<const int> cells, const QFont& font,
                                                    const QRawFont& rawFont)
{
    return shape(text, cells, font, rawFont, rawFontName(rawFont));
}

std::shared_ptr<const ShaperRun> ShaperCache::shape(QStringView text, std::span<const int> cells, const QFont& font,
                                                    const QRawFont& rawFont, std::string_view fontName)
{
    if (text.isEmpty())
        return nullptr;
    if (const auto found = m_cache.find(ShaperKeyView { fontName, rawFont.pixelSize(), text, cells });
        found != m_cache.end())
        return found->second;
    ShaperKey key { std::string(fontName), rawFont.pixelSize(), text.toString(), { cells.begin(), cells.end() } };

    // The text as a segment of its own, so that the view's cell shaper ties each glyph to its cell.
    ViewLineSegment segment;
    segment.text = key.text;
    segment.utf16IsCellIdentity = cells.empty();
    if (cells.empty()) {
        segment.utf16ToCellOrdinal.resize(size_t(text.size()));
        std::iota(segment.utf16ToCellOrdinal.begin(), segment.utf16ToCellOrdinal.end(), 0);
    } else {
        segment.utf16ToCellOrdinal = key.cells;
    }
    // Where each cell's text starts.
    std::vector<int> cellStart;
    for (int unit = 0; unit < int(segment.utf16ToCellOrdinal.size()); unit++) {
        const int ordinal = segment.utf16ToCellOrdinal[size_t(unit)];
        if (ordinal >= int(cellStart.size()))
            cellStart.resize(size_t(ordinal) + 1, unit);
    }

    auto run = std::make_shared<ShaperRun>();
    for (CellGlyphRun& glyphs : CellGlyphShaper::shape(segment, 0, int(text.size()), font, rawFont, true)) {
        if (glyphs.glyphs.isEmpty())
            continue;
        ShaperGlyphRun piece;
        piece.fontName = glyphs.font == rawFont ? std::string(fontName) : rawFontName(glyphs.font);
        piece.font = glyphs.font;
        piece.glyphs.assign(glyphs.glyphs.begin(), glyphs.glyphs.end());
        piece.positions.assign(glyphs.offsets.begin(), glyphs.offsets.end());
        piece.stringIndices.reserve(size_t(glyphs.ordinals.size()));
        for (int ordinal : glyphs.ordinals)
            piece.stringIndices.push_back(ordinal >= 0 && size_t(ordinal) < cellStart.size() ? cellStart[size_t(ordinal)]
                                                                                          : 0);
        run->positions.insert(run->positions.end(), piece.positions.begin(), piece.positions.end());
        run->stringIndices.insert(run->stringIndices.end(), piece.stringIndices.begin(), piece.stringIndices.end());
        run->glyphRuns.push_back(std::move(piece));
    }
    if (run->glyphRuns.empty())
        return nullptr;
    run->glyphCount = int(run->positions.size());
    insert(std::move(key), run);
    return run;
}

void ShaperCache::insert(ShaperKey key, std::shared_ptr<const ShaperRun> run)
{
    if (const auto found = m_cache.find(key); found != m_cache.end()) {
        found->second = std::move(run);
        return;
    }
    m_order.push_back(key);
    m_cache.emplace(std::move(key), std::move(run));
    while (m_order.size() > maxEntries) {
        m_cache.erase(m_order.front());
        m_order.pop_front();
    }
}

std::string rawFontName(const QRawFont& font)
{
    return (font.familyName() + u'/' + font.styleName() + u'/' + QString::number(font.weight()) + u'/'
            + QString::number(int(font.style())))
        .toStdString();
}

} // namespace zentrova
