#pragma once

#include <QTreeView>

namespace bramblet {

// The sidebar's outline view. It draws each selected row itself, the way the sidebar marks the
// folder a pane shows: a soft cyan rounded rectangle (stronger while the outline has the focus in
// the active window) with a short cyan bar at its leading edge. The style's own selection
// highlight is made transparent.
class SidebarOutline : public QTreeView {
    Q_OBJECT

public:
    explicit SidebarOutline(QWidget* parent = nullptr);

    // Paints the selection look into a row's `bounds`.
    static void drawSelection(QPainter& painter, const QRectF& bounds, bool emphasized);

protected:
    // A section header cannot be selected; clicking one leaves the selection as it is.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace bramblet
