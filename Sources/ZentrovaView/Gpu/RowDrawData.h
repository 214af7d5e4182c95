#pragma once

#include "ZentrovaView/Gpu/ColorCell.h"
#include "ZentrovaView/Gpu/ImageDraw.h"
#include "ZentrovaView/Gpu/PixelSpan.h"
#include "ZentrovaView/Gpu/TextCell.h"

#include <utility>
#include <vector>

namespace zentrova {

// What one row draws, layer by layer in drawing order: backgrounds, images under the text, powerline
// joins, glyphs from the grayscale atlas (custom glyphs too) and from the colour atlas, underlines and
// strike-throughs, then placeholder, over-text and other images.
struct RowDrawData {
    std::vector<ColorCell> backgroundCells;
    // Per entry of backgroundCells: the columns [first, second) of the cell grid it fills exactly, or
    // {0, 0} when it does not sit on the grid (a double-width or double-height row).
    std::vector<std::pair<int, int>> backgroundColumns;
    std::vector<ColorCell> powerlineJoinCells;
    std::vector<TextCell> glyphCellsGray;
    std::vector<TextCell> glyphCellsColor;
    std::vector<ColorCell> decorationCells;
    std::vector<ImageDraw> underImageDraws;
    std::vector<ImageDraw> placeholderImageDraws;
    std::vector<ImageDraw> overImageDraws;
    std::vector<ImageDraw> otherImageDraws;
    bool operator==(const RowDrawData&) const = default;

    // Every list emptied; each keeps its capacity.
    void clear()
    {
        backgroundCells.clear();
        backgroundColumns.clear();
        powerlineJoinCells.clear();
        glyphCellsGray.clear();
        glyphCellsColor.clear();
        decorationCells.clear();
        underImageDraws.clear();
        placeholderImageDraws.clear();
        overImageDraws.clear();
        otherImageDraws.clear();
    }

    // The stretch of pixel rows every record covers, which may reach past the row's own (a tall
    // glyph, an image).
    PixelSpan span() const
    {
        PixelSpan span;
        span.addRecords(backgroundCells);
        span.addRecords(powerlineJoinCells);
        span.addRecords(glyphCellsGray);
        span.addRecords(glyphCellsColor);
        span.addRecords(decorationCells);
        for (const auto* draws : { &underImageDraws, &placeholderImageDraws, &overImageDraws, &otherImageDraws })
            for (const ImageDraw& draw : *draws)
                span.addRecords(draw.vertices);
        return span;
    }
};

} // namespace zentrova
