#include "Bramblet/Pane/CompactGridLayout.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace bramblet {

int CompactGridLayout::width(const QAbstractScrollArea* grid)
{
    int available = grid->maximumViewportSize().width();
    if (grid->verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded)
        available -= grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid->verticalScrollBar());
    return available;
}

int CompactGridLayout::columns(int width)
{
    return std::max(1, (width - 2 * inset + spacing) / (itemSize.width() + spacing));
}

QRect CompactGridLayout::frame(int item, int width)
{
    const int perRow = columns(width);
    const int x = inset + (item % perRow) * (itemSize.width() + spacing);
    const int y = inset + (item / perRow) * (itemSize.height() + spacing);
    return QRect(QPoint(x, y), itemSize);
}

std::pair<int, int> CompactGridLayout::itemsBetween(int top, int bottom, int width, int count)
{
    const int perRow = columns(width);
    const int rowHeight = itemSize.height() + spacing;
    // Rows start at inset; a band touching the gap below a row still counts that row, which only
    // asks for a few tiles early.
    const int firstRow = std::max(0, (top - inset) / rowHeight);
    const int lastRow = std::max(0, (bottom - 1 - inset) / rowHeight);
    const int first = firstRow * perRow;
    const int last = std::min(count - 1, (lastRow + 1) * perRow - 1);
    if (bottom <= top || first >= count)
        return { 1, 0 };
    return { first, last };
}

} // namespace bramblet
