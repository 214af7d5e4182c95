#pragma once

#include "ZentrovaView/Gpu/RowDrawData.h"

#include <array>
#include <utility>
#include <vector>

namespace zentrova {

// The backgrounds of the cells of ordinary rows, one premultiplied colour per cell, drawn as one
// texture over one quad instead of a record per run of cells. Texel row t holds visible row
// rows - 1 - t, so that the rows go up as the framebuffer's do. A cell left to the clear colour is
// transparent.
struct BackgroundGrid {
    int cols = 0;
    int rows = 0;
    // rows × cols colours, texel row after texel row.
    std::vector<std::array<float, 4>> colors;
    // Per texel row: whether any of its cells has a colour.
    std::vector<char> filledRows;
    // Per texel row: changed since the texture last took it.
    std::vector<char> staleRows;
    // The grid's lower-left corner and size in device pixels.
    std::array<float, 2> position {};
    std::array<float, 2> size {};

    // A grid of the new size, transparent and stale throughout; false when the size was already that.
    bool resize(int newCols, int newRows);
    // Every cell transparent and stale.
    void clear();
    // Visible row `row` (from the top) filled from the backgrounds of its draw data that sit on the grid.
    void setRow(int row, const RowDrawData& data);
    // Visible row `row` transparent.
    void clearRow(int row);
    // The texel rows [first, second) from the lowest to the highest with a colour; empty without any.
    std::pair<int, int> filledRange() const;
};

} // namespace zentrova
