#include "Bramblet/Pane/FileTreeView.h"

namespace bramblet {

FileTreeView::FileTreeView(QWidget* parent)
    : ActivatingView<QTreeView>(parent)
{
}

void FileTreeView::selectForContextMenu(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) {
        clearSelection();
        return;
    }
    if (!selectionModel()->isSelected(index) && index.flags().testFlag(Qt::ItemIsSelectable))
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

} // namespace bramblet
