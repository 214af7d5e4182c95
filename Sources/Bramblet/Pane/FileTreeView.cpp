#include "Bramblet/Pane/FileTreeView.h"

#include "Bramblet/Pane/RowSelection.h"

#include <QStyledItemDelegate>

namespace bramblet {

namespace {

// Draws every cell as unselected: the row's band shows the selection, and the text keeps the
// colour the model gives it instead of the style's highlighted-text colour.
class UnhighlightedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_Selected;
    }
};

} // namespace

FileTreeView::FileTreeView(QWidget* parent)
    : ActivatingView<QTreeView>(parent)
{
    setItemDelegate(new UnhighlightedDelegate(this));
    RowSelection::replaceStyleHighlight(*this);
}

void FileTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (selectionModel() && selectionModel()->isSelected(index))
        RowSelection::paint(painter, *this, QRect(0, option.rect.top(), viewport()->width(), option.rect.height()));
    QTreeView::drawRow(painter, option, index);
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
