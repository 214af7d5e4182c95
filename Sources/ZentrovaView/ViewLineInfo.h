#pragma once

#include "Zentrova/Graphics/KittyPlaceholderCell.h"
#include "Zentrova/Screen/BufferLine.h"
#include "ZentrovaView/CellStyle.h"
#include "ZentrovaView/CustomGlyphs/CustomGlyphRenderItems.h"

#include <QString>

#include <optional>
#include <vector>

namespace zentrova {

// Units start...start + length of a segment's text, drawn in one style.
struct ViewLineRun {
    int start = 0;
    int length = 0;
    CellStyle style;

    bool operator==(const ViewLineRun&) const = default;
};

// One run of cells of a laid-out row that all have the same width, as one string of UTF-16 text with
// its styles and the cell each unit belongs to.
struct ViewLineSegment {
    // The visual column of the first cell, and the width in columns of every cell (1 or 2).
    int column = 0;
    int columnWidth = 1;
    // Pieces of text appended; a segment is only kept when this is above zero.
    int characterCount = 0;
    QString text;
    // Cover the text in order, without gaps.
    std::vector<ViewLineRun> runs;
    // For each unit of `text`, the ordinal of its cell in the segment (0, 1, 2, ...); the visual column of
    // a unit is column + ordinal × columnWidth.
    std::vector<int> utf16ToCellOrdinal;
    // Every cell gave exactly one unit, so the map is the identity.
    bool utf16IsCellIdentity = true;

    // The cell of a unit: an index past the map takes the last entry, an empty map gives 0.
    int cellOrdinal(int utf16Index) const
    {
        if (utf16ToCellOrdinal.empty())
            return 0;
        if (utf16Index < 0)
            return utf16ToCellOrdinal.front();
        return size_t(utf16Index) < utf16ToCellOrdinal.size() ? utf16ToCellOrdinal[size_t(utf16Index)]
                                                              : utf16ToCellOrdinal.back();
    }
    int cellColumn(int ordinal) const { return column + ordinal * columnWidth; }

    bool operator==(const ViewLineSegment&) const = default;
};

// One row laid out for drawing: its segments in visual order, the cells the view paints itself (their
// text is a space) and the images its line carries.
struct ViewLineInfo {
    std::vector<ViewLineSegment> segments;
    std::vector<BlockElementRenderItem> blockElements;
    std::vector<BoxDrawingRenderItem> boxDrawings;
    std::vector<PowerlineRenderItem> powerlines;
    // Cells that show a piece of a virtual kitty placement instead of text.
    std::vector<KittyPlaceholderCell> placeholders;
    std::optional<BufferLine::Images> images;
};

} // namespace zentrova
