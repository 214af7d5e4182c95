#include "ZentrovaView/Gpu/BackgroundGrid.h"

#include <algorithm>

namespace zentrova {

bool BackgroundGrid::resize(int newCols, int newRows)
{
    newCols = std::max(newCols, 0);
    newRows = std::max(newRows, 0);
    if (newCols == cols && newRows == rows)
        return false;
    cols = newCols;
    rows = newRows;
    colors.resize(size_t(cols) * size_t(rows));
    filledRows.resize(size_t(rows));
    staleRows.resize(size_t(rows));
    clear();
    return true;
}

void BackgroundGrid::clear()
{
    std::ranges::fill(colors, std::array<float, 4> {});
    std::ranges::fill(filledRows, 0);
    std::ranges::fill(staleRows, 1);
}

void BackgroundGrid::clearRow(int row)
{
    const int texelRow = rows - 1 - row;
    if (texelRow < 0 || texelRow >= rows)
        return;
    const auto first = colors.begin() + ptrdiff_t(texelRow) * cols;
    std::fill(first, first + cols, std::array<float, 4> {});
    filledRows[size_t(texelRow)] = 0;
    staleRows[size_t(texelRow)] = 1;
}

void BackgroundGrid::setRow(int row, const RowDrawData& data)
{
    clearRow(row);
    const int texelRow = rows - 1 - row;
    if (texelRow < 0 || texelRow >= rows)
        return;
    const auto first = colors.begin() + ptrdiff_t(texelRow) * cols;
    const size_t count = std::min(data.backgroundCells.size(), data.backgroundColumns.size());
    for (size_t i = 0; i < count; ++i) {
        const auto [begin, end] = data.backgroundColumns[i];
        if (begin >= end || begin < 0 || end > cols)
            continue;
        const auto& [red, green, blue, alpha] = data.backgroundCells[i].color;
        std::fill(first + begin, first + end, std::array<float, 4> { red * alpha, green * alpha, blue * alpha, alpha });
        filledRows[size_t(texelRow)] = 1;
    }
}

std::pair<int, int> BackgroundGrid::filledRange() const
{
    const auto lowest = std::ranges::find(filledRows, 1);
    if (lowest == filledRows.end())
        return { 0, 0 };
    const auto highest = std::ranges::find(filledRows.rbegin(), filledRows.rend(), 1);
    return { int(lowest - filledRows.begin()), int(filledRows.rend() - highest) };
}

} // namespace zentrova
