#pragma once

#include "ZentrovaView/Gpu/ColorCell.h"
#include "ZentrovaView/Gpu/ImageDraw.h"
#include "ZentrovaView/Gpu/TextCell.h"

#include <vector>

namespace zentrova {

// What one row draws, layer by layer in drawing order: backgrounds, images under the text, powerline
// joins, glyphs from the grayscale atlas (custom glyphs too) and from the colour atlas, underlines and
// strike-throughs, then placeholder, over-text and other images.
struct RowDrawData {
    std::vector<ColorCell> backgroundCells;
    std::vector<ColorCell> powerlineJoinCells;
    std::vector<TextCell> glyphCellsGray;
    std::vector<TextCell> glyphCellsColor;
    std::vector<ColorCell> decorationCells;
    std::vector<ImageDraw> underImageDraws;
    std::vector<ImageDraw> placeholderImageDraws;
    std::vector<ImageDraw> overImageDraws;
    std::vector<ImageDraw> otherImageDraws;
    bool operator==(const RowDrawData&) const = default;
};

} // namespace zentrova
