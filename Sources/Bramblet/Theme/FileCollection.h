#pragma once

#include "Bramblet/Theme/ActivatingView.h"

#include <QListView>

namespace bramblet {

// The grid presentation of a file pane. A right click on an item outside the selection makes it
// the only selected item, on a selected item keeps the selection, and on empty space clears it;
// the selection model reports each change as usual.
class FileCollection : public ActivatingView<QListView> {
    Q_OBJECT

public:
    explicit FileCollection(QWidget* parent = nullptr);

protected:
    void selectForContextMenu(const QPoint& position) override;
};

} // namespace bramblet
