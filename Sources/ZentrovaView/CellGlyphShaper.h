#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QRawFont>

#include <cstddef>
#include <vector>

namespace zentrova {

struct ViewLineSegment;

// Glyphs of one face, each tied to the segment cell it belongs to.
struct CellGlyphRun {
    QRawFont font;
    QList<quint32> glyphs;
    // The segment cell ordinal of each glyph.
    QList<int> ordinals;
    // Each glyph's place from its cell's origin on the baseline: 0 for a cell's first glyph, the shaped
    // distance from it for the marks and pieces after it (y grows downwards).
    QList<QPointF> offsets;
};

// Which glyph belongs to which cell. A cell of one UTF-16 unit that the terminal font has is one glyph,
// found in the font's character map; every other cell (clusters, marks, surrogate pairs, characters the
// font lacks) is shaped on its own text, so every glyph the shaper makes is that cell's by construction.
// Shaping each cell's own text keeps the mapping exact without the glyph-to-text indexes Qt 6.4 does not
// give, and it costs nothing for plain text, where no cell is shaped at all. Short shaped strings are
// kept: 8 units or fewer, in a cache emptied whole when it holds 2048.
class CellGlyphShaper {
public:
    CellGlyphShaper() = delete;

    // The glyphs of units start...start + length of `segment`, drawn in `font` (whose character map is
    // `rawFont`), in cell order. `leftToRight` keeps a shaped cell in its given order.
    static std::vector<CellGlyphRun> shape(const ViewLineSegment& segment, int start, int length, const QFont& font,
                                           const QRawFont& rawFont, bool leftToRight);
    // The same into `runs`, which ends up holding exactly the glyph runs; the storage of the runs it
    // held is reused, so a caller that keeps `runs` from call to call allocates only to grow it.
    static void shape(const ViewLineSegment& segment, int start, int length, const QFont& font,
                      const QRawFont& rawFont, bool leftToRight, std::vector<CellGlyphRun>& runs);

    static size_t cacheSize();
    static void clearCache();
};

} // namespace zentrova
