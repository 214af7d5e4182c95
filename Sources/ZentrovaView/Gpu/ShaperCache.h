#pragma once

#include "ZentrovaView/Gpu/GpuHash.h"

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <QStringView>

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zentrova {

// One text as shaped: the face, its pixel size, the text, and which cell each UTF-16 unit belongs to
// (relative to the text's first cell; empty when every unit is a cell of its own). The cells are
// part of the key because glyphs are tied to cells, not to string indexes, which Qt's glyph runs do
// not give.
struct ShaperKey {
    std::string fontName;
    double fontSize = 0;
    QString text;
    std::vector<int> cells;
    bool operator==(const ShaperKey&) const = default;
};

// A shaper key that borrows its parts, for lookups without allocation.
struct ShaperKeyView {
    std::string_view fontName;
    double fontSize = 0;
    QStringView text;
    std::span<const int> cells;
};

// The glyphs of one face, as shaping substituted it.
struct ShaperGlyphRun {
    QRawFont font;
    // rawFontName(font), made once with the shaping.
    std::string fontName;
    std::vector<uint32_t> glyphs;
    // Logical pixels (y down) from the origin of the glyph's cell: 0 for a cell's first glyph, the
    // shaped distance from it for the marks and pieces after it.
    std::vector<QPointF> positions;
    // The UTF-16 offset in the text of the first unit of the glyph's cell.
    std::vector<int> stringIndices;
};

// A shaped text: its glyph runs, and their positions and indexes concatenated.
struct ShaperRun {
    std::vector<ShaperGlyphRun> glyphRuns;
    std::vector<QPointF> positions;
    std::vector<int> stringIndices;
    int glyphCount = 0;
};

// Shaping results of up to 2048 texts, dropped first in, first out: the oldest text goes however
// often it is used, so the cache costs one list append per new text and nothing per hit.
class ShaperCache {
public:
    static constexpr size_t maxEntries = 2048;

    // `text` shaped left to right in the order given (the row layout reordered it already), each
    // span of units with one cell in `cells` shaped as that cell's glyphs; nothing for empty text
    // or text that gives no glyphs. `font` is the face asked for and `rawFont` its character map.
    // `fontName` is rawFontName(rawFont), which the caller makes once for many texts.
    std::shared_ptr<const ShaperRun> shape(QStringView text, std::span<const int> cells, const QFont& font,
                                           const QRawFont& rawFont, std::string_view fontName);
    std::shared_ptr<const ShaperRun> shape(QStringView text, std::span<const int> cells, const QFont& font,
                                           const QRawFont& rawFont);
    // A key already present keeps its place in the order and only gets the new run.
    void insert(ShaperKey key, std::shared_ptr<const ShaperRun> run);

    bool contains(const ShaperKey& key) const { return m_cache.contains(key); }
    size_t size() const { return m_cache.size(); }

private:
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(const ShaperKey& key) const;
        size_t operator()(const ShaperKeyView& key) const;
    };
    struct KeyEqual {
        using is_transparent = void;
        static ShaperKeyView view(const ShaperKey& key) { return { key.fontName, key.fontSize, key.text, key.cells }; }
        static ShaperKeyView view(const ShaperKeyView& key) { return key; }
        template <class A, class B>
        bool operator()(const A& a, const B& b) const
        {
            const ShaperKeyView x = view(a);
            const ShaperKeyView y = view(b);
            return x.fontSize == y.fontSize && x.text == y.text && x.fontName == y.fontName
                && std::equal(x.cells.begin(), x.cells.end(), y.cells.begin(), y.cells.end());
        }
    };
    std::unordered_map<ShaperKey, std::shared_ptr<const ShaperRun>, KeyHash, KeyEqual> m_cache;
    std::deque<ShaperKey> m_order;
};

// The name a raw face is cached under: family, style, weight and slant, so a substituted fallback
// face and a synthesised bold differ from the face asked for.
std::string rawFontName(const QRawFont& font);

} // namespace zentrova
