#include "Bramblet/Theme/FileTable.h"

#include <QHeaderView>

namespace bramblet {

FileTable::FileTable(QWidget* parent)
    : ActivatingView<QTableView>(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    verticalHeader()->hide();
}

void FileTable::selectForContextMenu(const QPoint& position)
{
    // A row spans the whole width, also past the last column.
    const int row = rowAt(position.y());
    if (row < 0) {
        clearSelection();
        return;
    }
    if (selectionModel()->rowIntersectsSelection(row, rootIndex()))
        return;
    selectionModel()->setCurrentIndex(model()->index(row, 0, rootIndex()),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QModelIndex FileTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // The table moves between rows on Home and End only with Ctrl; the selection still follows the
    // key's own modifiers (Shift extends it).
    if (action == MoveHome || action == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return ActivatingView<QTableView>::moveCursor(action, modifiers);
}

} // namespace bramblet
