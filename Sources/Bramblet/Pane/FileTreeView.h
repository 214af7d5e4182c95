#pragma once

#include "Bramblet/Theme/ActivatingView.h"

#include <QTreeView>

namespace bramblet {

// The tree presentation of a file pane. A selected row shows as the pale rounded band of the list
// across the whole row, its text in its own colour. A right click on a row outside the selection
// makes it the only selected row, on a selected row keeps the selection, and on empty space clears
// it.
class FileTreeView : public ActivatingView<QTreeView> {
    Q_OBJECT

public:
    explicit FileTreeView(QWidget* parent = nullptr);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void selectForContextMenu(const QPoint& position) override;
};

} // namespace bramblet
