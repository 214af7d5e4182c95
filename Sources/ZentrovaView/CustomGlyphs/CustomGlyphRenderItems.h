#pragma once

#include "ZentrovaView/CustomGlyphs/BlockElementMapping.h"

#include <QColor>

#include <cstdint>
#include <vector>

namespace zentrova {

// Cells of a laid-out row that the view paints itself instead of the font. `column` is the visual column
// where the cell starts, `columnWidth` the columns it covers, `foregroundColor` the colour its text would
// have (after inverse, dim and selection).
struct BlockElementRenderItem {
    int column = 0;
    int columnWidth = 1;
    std::uint32_t codePoint = 0;
    std::vector<BlockElementRect> rects;
    QColor foregroundColor;

    bool operator==(const BlockElementRenderItem&) const = default;
};

struct BoxDrawingRenderItem {
    int column = 0;
    int columnWidth = 1;
    std::uint32_t codePoint = 0;
    QColor foregroundColor;

    bool operator==(const BoxDrawingRenderItem&) const = default;
};

struct PowerlineRenderItem {
    int column = 0;
    int columnWidth = 1;
    std::uint32_t codePoint = 0;
    QColor foregroundColor;

    bool operator==(const PowerlineRenderItem&) const = default;
};

} // namespace zentrova
