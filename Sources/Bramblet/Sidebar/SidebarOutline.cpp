#include "Bramblet/Sidebar/SidebarOutline.h"

#include "Bramblet/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace bramblet {

SidebarOutline::SidebarOutline(QWidget* parent)
    : QTreeView(parent)
{
    QPalette transparentHighlight = palette();
    transparentHighlight.setColor(QPalette::Highlight, Qt::transparent);
    transparentHighlight.setColor(QPalette::HighlightedText, transparentHighlight.color(QPalette::Text));
    setPalette(transparentHighlight);
}

void SidebarOutline::drawSelection(QPainter& painter, const QRectF& bounds, bool emphasized)
{
    const QColor cyan = Theme::cyan().resolved();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath backdrop;
    backdrop.addRoundedRect(bounds.adjusted(4, 1, -4, -1), 6, 6);
    QColor fill = cyan;
    fill.setAlphaF(emphasized ? 0.16f : 0.10f);
    painter.fillPath(backdrop, fill);
    QPainterPath marker;
    marker.addRoundedRect(QRectF(bounds.left() + 2, bounds.center().y() - 7, 3, 14), 1.5, 1.5);
    painter.fillPath(marker, cyan);
    painter.restore();
}

QItemSelectionModel::SelectionFlags SidebarOutline::selectionCommand(const QModelIndex& index,
                                                                    const QEvent* event) const
{
    if (index.isValid() && !index.flags().testFlag(Qt::ItemIsSelectable))
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

void SidebarOutline::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (selectionModel() && selectionModel()->isSelected(index)) {
        // The row's full width, branch area included, as a row view's bounds would be.
        const QRectF bounds(0, option.rect.top(), viewport()->width(), option.rect.height());
        drawSelection(*painter, bounds, hasFocus() && isActiveWindow());
    }
    QTreeView::drawRow(painter, option, index);
}

} // namespace bramblet
