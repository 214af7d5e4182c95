#pragma once

#include <cstdint>
#include <vector>

namespace zentrova {

// How much of the foreground colour a block rectangle lays down: solid, or one of the three shades.
enum class BlockAlpha { full, dark, medium, light };

double blockAlphaValue(BlockAlpha alpha);

// One filled rectangle of a block element, in eighths of the cell from its left and TOP edges.
struct BlockElementRect {
    std::uint8_t x0 = 0;
    std::uint8_t x1 = 0;
    std::uint8_t y0 = 0;
    std::uint8_t y1 = 0;
    BlockAlpha alpha = BlockAlpha::full;

    bool operator==(const BlockElementRect&) const = default;
};

// A rectangle of a glyph in device pixels from the cell's top-left corner, with its coverage.
struct GlyphPixelRect {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    double alpha = 1;

    bool operator==(const GlyphPixelRect&) const = default;
};

namespace BlockElementMapping {

// The rectangles of a block element (U+2580 to U+259F); null for every other code point.
const std::vector<BlockElementRect>* rects(std::uint32_t codePoint);

} // namespace BlockElementMapping

// The rectangles of a block element over a slot `widthPx` by `heightPx` device pixels (all the columns it
// covers). Snapped, each rectangle grows outwards to whole pixels so that neighbouring halves never leave a
// gap; rectangles of no area are dropped.
std::vector<GlyphPixelRect> blockElementPixelRects(const std::vector<BlockElementRect>& rects, double widthPx,
                                                   double heightPx, bool snapToPixels);

} // namespace zentrova
