#pragma once

#include "Bramblet/Theme/ActivatingView.h"

#include <QTableView>

namespace bramblet {

// The list presentation of a file pane: whole rows are selected (one at a time until the pane
// allows more), no row header, no grid. A right click on a row outside the selection selects only
// that row, on a selected row keeps the whole selection, and on empty space clears it.
class FileTable : public ActivatingView<QTableView> {
    Q_OBJECT

public:
    explicit FileTable(QWidget* parent = nullptr);

protected:
    void selectForContextMenu(const QPoint& position) override;
    // Home and End go to the first and last row, as in a list, not to the row's first and last column.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

} // namespace bramblet
