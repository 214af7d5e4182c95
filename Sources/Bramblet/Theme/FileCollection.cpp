#include "Bramblet/Theme/FileCollection.h"

namespace bramblet {

FileCollection::FileCollection(QWidget* parent)
    : ActivatingView<QListView>(parent)
{
}

void FileCollection::selectForContextMenu(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) {
        clearSelection();
        return;
    }
    if (!selectionModel()->isSelected(index))
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

} // namespace bramblet
