#pragma once

#include <QStyledItemDelegate>

namespace bramblet {

// Draws the rows of a file pane's list. The name cell: a tag dot in the colour of the first tag,
// the icon (folders as the cyan folder symbol), the name, and the Git badge; the size and date
// cells as muted text. A selected row is one rounded cyan band across all columns, stronger while
// the list has the keyboard focus in the active window.
class PaneListDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int rowHeight = 28;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintSelection(QPainter* painter, const QStyleOptionViewItem& option) const;
    void paintName(QPainter* painter, const QRect& cell, const QModelIndex& index, qreal devicePixelRatio) const;
};

} // namespace bramblet
