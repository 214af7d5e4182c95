#pragma once

#include <QColor>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zentrova {

// What a painted block-element or box-drawing glyph depends on besides its colour.
struct CustomGlyphImageKey {
    std::uint32_t codePoint = 0;
    int widthPx = 0; // the whole slot, every column it covers
    int heightPx = 0;
    double scale = 1;
    int baseThicknessPx = 0; // box drawing only
    bool antiAlias = false;  // block elements only

    bool operator==(const CustomGlyphImageKey&) const = default;
};

struct CustomGlyphImageKeyHash {
    size_t operator()(const CustomGlyphImageKey& key) const;
};

// Block elements and box drawing painted once per code point and cell size, then copied into place:
// a screen of them costs a copy per cell, not a rasterisation. Each glyph is painted once in white and
// tinted per colour. The images have a margin of one pixel on every side, for the anti-aliased edges
// that reach past the cell (diagonals overshoot the corners). Main thread only.
class CustomGlyphImageCache {
public:
    static constexpr int margin = 1;

    static CustomGlyphImageCache& shared();

    // The glyph in `color`, its slot starting at (margin, margin); a null image for a code point that
    // is neither a block element nor box drawing, or an empty slot.
    const QImage& image(const CustomGlyphImageKey& key, const QColor& color);
    // Painted glyphs (not counting their tints).
    size_t size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        QImage mask;
        std::vector<std::pair<QRgb, QImage>> tints;
    };
    static QImage paintMask(const CustomGlyphImageKey& key);

    std::unordered_map<CustomGlyphImageKey, Entry, CustomGlyphImageKeyHash> m_entries;
};

} // namespace zentrova
