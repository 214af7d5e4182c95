#pragma once

#include <QRect>
#include <QSize>

class QAbstractScrollArea;

namespace bramblet {

// Where the grid puts its tiles: rows of equal tiles that start at the left edge with a fixed gap
// between them, the spare width left at the right. A pure function of the grid's width.
struct CompactGridLayout {
    static constexpr QSize itemSize { 140, 128 };
    static constexpr int spacing = 16;   // between tiles, across and down
    static constexpr int inset = 8;      // around all tiles

    // The cell each tile owns: the tile with half the gap on every side, so that cells touch.
    static constexpr QSize cellSize { itemSize.width() + spacing, itemSize.height() + spacing };

    // The width a grid view's rows may fill: its viewport's widest extent less room for the
    // vertical scroll bar, which the view keeps free so that tiles do not jump when it appears.
    static int width(const QAbstractScrollArea* grid);

    // Tiles in a row for a grid `width` wide; at least one.
    static int columns(int width);
    // The frame of tile `item` in a grid `width` wide.
    static QRect frame(int item, int width);
    // The first and last tile that a band of the grid from `top` to `bottom` (exclusive) touches,
    // among `count`; first > last when it touches none.
    static std::pair<int, int> itemsBetween(int top, int bottom, int width, int count);
};

} // namespace bramblet
