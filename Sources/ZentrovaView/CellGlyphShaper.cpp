#include "ZentrovaView/CellGlyphShaper.h"

#include "ZentrovaView/ViewLineInfo.h"

#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>

#include <algorithm>
#include <limits>
#include <vector>

namespace zentrova {
namespace {

// The glyph runs of one shaped cell, at offsets from its first glyph.
struct ShapedCell {
    QRawFont font;
    QList<quint32> glyphs;
    QList<QPointF> offsets;
};

constexpr qsizetype cachedTextLimit = 8;
constexpr qsizetype cacheBound = 2048;

QHash<QString, std::vector<ShapedCell>>& shapedTexts()
{
    static QHash<QString, std::vector<ShapedCell>> cache;
    return cache;
}

std::vector<ShapedCell> shapeText(const QString& text, const QFont& font, bool leftToRight)
{
    QTextLayout layout(text, font);
    QTextOption option;
    if (leftToRight)
        option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    std::vector<ShapedCell> shaped;
    if (!line.isValid())
        return shaped;
    const double ascent = line.ascent();
    // Qt lists the runs by face, not in visual order: the cell's origin is its leftmost glyph.
    const QList<QGlyphRun> runs = layout.glyphRuns();
    double originX = std::numeric_limits<double>::infinity();
    for (const QGlyphRun& run : runs) {
        for (const QPointF& position : run.positions())
            originX = std::min(originX, position.x());
    }
    for (const QGlyphRun& run : runs) {
        const QList<QPointF> positions = run.positions();
        if (positions.isEmpty())
            continue;
        ShapedCell piece { run.rawFont(), run.glyphIndexes(), {} };
        piece.offsets.reserve(positions.size());
        for (const QPointF& position : positions)
            piece.offsets.push_back({ position.x() - originX, position.y() - ascent });
        shaped.push_back(std::move(piece));
    }
    return shaped;
}

const std::vector<ShapedCell>& cachedShape(const QString& text, const QFont& font, bool leftToRight,
                                           std::vector<ShapedCell>& uncached)
{
    if (text.size() > cachedTextLimit) {
        uncached = shapeText(text, font, leftToRight);
        return uncached;
    }
    QString key = font.key();
    key += QChar(leftToRight ? u'>' : u'~');
    key += text;
    auto& cache = shapedTexts();
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    if (cache.size() >= cacheBound)
        cache.clear();
    return *cache.insert(key, shapeText(text, font, leftToRight));
}

// The run to append to for a glyph of `font`: the last one in use when it has that face, else the next
// one of `runs`, emptied (or a new one).
CellGlyphRun& runFor(std::vector<CellGlyphRun>& runs, size_t& used, const QRawFont& font)
{
    if (used > 0 && runs[used - 1].font == font)
        return runs[used - 1];
    if (used == runs.size())
        runs.emplace_back();
    CellGlyphRun& run = runs[used++];
    run.font = font;
    run.glyphs.clear();
    run.ordinals.clear();
    run.offsets.clear();
    return run;
}

} // namespace

std::vector<CellGlyphRun> CellGlyphShaper::shape(const ViewLineSegment& segment, int start, int length,
                                                 const QFont& font, const QRawFont& rawFont, bool leftToRight)
{
    std::vector<CellGlyphRun> runs;
    shape(segment, start, length, font, rawFont, leftToRight, runs);
    return runs;
}

void CellGlyphShaper::shape(const ViewLineSegment& segment, int start, int length, const QFont& font,
                            const QRawFont& rawFont, bool leftToRight, std::vector<CellGlyphRun>& runs)
{
    size_t used = 0;
    const int end = std::min<int>(start + length, int(segment.text.size()));
    if (start < 0 || start >= end) {
        runs.clear();
        return;
    }
    const QChar* units = segment.text.constData();
    // The character map first, for the whole range at once; cells of one unit take their glyph from it.
    thread_local std::vector<quint32> mapped;
    mapped.assign(size_t(end - start), 0);
    int mappedCount = end - start;
    if (rawFont.isValid() && !rawFont.glyphIndexesForChars(units + start, end - start, mapped.data(), &mappedCount))
        std::fill(mapped.begin(), mapped.end(), 0);
    std::vector<ShapedCell> uncached;
    for (int index = start; index < end;) {
        const int ordinal = segment.cellOrdinal(index);
        int next = index + 1;
        while (next < end && segment.cellOrdinal(next) == ordinal && !segment.utf16IsCellIdentity)
            next++;
        const bool single = next == index + 1 && !units[index].isSurrogate();
        if (single && mappedCount == end - start && mapped[size_t(index - start)] != 0) {
            CellGlyphRun& run = runFor(runs, used, rawFont);
            run.glyphs.push_back(mapped[size_t(index - start)]);
            run.ordinals.push_back(ordinal);
            run.offsets.push_back({});
        } else {
            const QString text(units + index, next - index);
            for (const ShapedCell& piece : cachedShape(text, font, leftToRight, uncached)) {
                CellGlyphRun& run = runFor(runs, used, piece.font);
                run.glyphs.append(piece.glyphs);
                run.offsets.append(piece.offsets);
                for (qsizetype i = 0; i < piece.glyphs.size(); i++)
                    run.ordinals.push_back(ordinal);
            }
        }
        index = next;
    }
    runs.resize(used);
}

size_t CellGlyphShaper::cacheSize()
{
    return size_t(shapedTexts().size());
}

void CellGlyphShaper::clearCache()
{
    shapedTexts().clear();
}

} // namespace zentrova
