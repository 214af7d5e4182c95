#pragma once

#include <QStyledItemDelegate>

namespace bramblet {

class SidebarModel;

// Draws one sidebar row 30 pixels high, 4 pixels in from its edges: a folder row as its place
// symbol (18 pixels, tinted primary) and, 8 pixels after it, its title in 13-pixel regular type
// and the primary colour; a section header as its title alone in 11-pixel semibold type and the
// muted colour. Titles are truncated in the middle. Selection is drawn by the outline.
class SidebarCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SidebarCellDelegate(const SidebarModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const SidebarModel& m_model;
};

} // namespace bramblet
