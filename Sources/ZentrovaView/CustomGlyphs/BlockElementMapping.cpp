#include "BlockElementMapping.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace zentrova {

double blockAlphaValue(BlockAlpha alpha)
{
    switch (alpha) {
    case BlockAlpha::full: return 1.0;
    case BlockAlpha::dark: return 0.75;
    case BlockAlpha::medium: return 0.5;
    case BlockAlpha::light: return 0.25;
    }
    return 1.0;
}

namespace {

using Table = std::unordered_map<std::uint32_t, std::vector<BlockElementRect>>;

Table makeTable()
{
    constexpr BlockElementRect upperLeft { 0, 4, 0, 4 };
    constexpr BlockElementRect upperRight { 4, 8, 0, 4 };
    constexpr BlockElementRect lowerLeft { 0, 4, 4, 8 };
    constexpr BlockElementRect lowerRight { 4, 8, 4, 8 };
    return {
        { 0x2580, { { 0, 8, 0, 4 } } },
        { 0x2581, { { 0, 8, 7, 8 } } },
        { 0x2582, { { 0, 8, 6, 8 } } },
        { 0x2583, { { 0, 8, 5, 8 } } },
        { 0x2584, { { 0, 8, 4, 8 } } },
        { 0x2585, { { 0, 8, 3, 8 } } },
        { 0x2586, { { 0, 8, 2, 8 } } },
        { 0x2587, { { 0, 8, 1, 8 } } },
        { 0x2588, { { 0, 8, 0, 8 } } },
        { 0x2589, { { 0, 7, 0, 8 } } },
        { 0x258A, { { 0, 6, 0, 8 } } },
        { 0x258B, { { 0, 5, 0, 8 } } },
        { 0x258C, { { 0, 4, 0, 8 } } },
        { 0x258D, { { 0, 3, 0, 8 } } },
        { 0x258E, { { 0, 2, 0, 8 } } },
        { 0x258F, { { 0, 1, 0, 8 } } },
        { 0x2590, { { 4, 8, 0, 8 } } },
        { 0x2591, { { 0, 8, 0, 8, BlockAlpha::light } } },
        { 0x2592, { { 0, 8, 0, 8, BlockAlpha::medium } } },
        { 0x2593, { { 0, 8, 0, 8, BlockAlpha::dark } } },
        { 0x2594, { { 0, 8, 0, 1 } } },
        { 0x2595, { { 7, 8, 0, 8 } } },
        { 0x2596, { lowerLeft } },
        { 0x2597, { lowerRight } },
        { 0x2598, { upperLeft } },
        { 0x2599, { upperLeft, lowerLeft, lowerRight } },
        { 0x259A, { upperLeft, lowerRight } },
        { 0x259B, { upperLeft, upperRight, lowerLeft } },
        { 0x259C, { upperLeft, upperRight, lowerRight } },
        { 0x259D, { upperRight } },
        { 0x259E, { upperRight, lowerLeft } },
        { 0x259F, { upperRight, lowerLeft, lowerRight } },
    };
}

} // namespace

const std::vector<BlockElementRect>* BlockElementMapping::rects(std::uint32_t codePoint)
{
    static const Table table = makeTable();
    const auto found = table.find(codePoint);
    return found == table.end() ? nullptr : &found->second;
}

std::vector<GlyphPixelRect> blockElementPixelRects(const std::vector<BlockElementRect>& rects, double widthPx,
                                                   double heightPx, bool snapToPixels)
{
    const double eighthX = widthPx / 8;
    const double eighthY = heightPx / 8;
    std::vector<GlyphPixelRect> pixels;
    pixels.reserve(rects.size());
    for (const BlockElementRect& rect : rects) {
        GlyphPixelRect pixel { eighthX * rect.x0, eighthY * rect.y0, eighthX * rect.x1, eighthY * rect.y1,
                               blockAlphaValue(rect.alpha) };
        if (snapToPixels) {
            pixel.x0 = std::floor(pixel.x0);
            pixel.y0 = std::floor(pixel.y0);
            pixel.x1 = std::max(std::ceil(pixel.x1), pixel.x0);
            pixel.y1 = std::max(std::ceil(pixel.y1), pixel.y0);
        }
        if (pixel.x1 > pixel.x0 && pixel.y1 > pixel.y0)
            pixels.push_back(pixel);
    }
    return pixels;
}

} // namespace zentrova
