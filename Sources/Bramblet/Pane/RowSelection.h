#pragma once

#include <QRect>

class QAbstractItemView;
class QPainter;

namespace bramblet::RowSelection {

// The selection of a list or tree row: `row` (the whole row, in viewport pixels) inset by 2
// horizontally and 1 vertically, rounded by 5, in pale cyan; stronger while `view` has the
// keyboard focus in the active window. The row's text keeps its own colour on it.
void paint(QPainter* painter, const QAbstractItemView& view, const QRect& row);

// Keeps the style from drawing its own solid selection behind the rows of `view`: the band above
// is the only selection drawn.
void replaceStyleHighlight(QAbstractItemView& view);

} // namespace bramblet::RowSelection
