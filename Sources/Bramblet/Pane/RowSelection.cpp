#include "Bramblet/Pane/RowSelection.h"

#include "Bramblet/Theme/Theme.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPainterPath>

namespace bramblet::RowSelection {

void paint(QPainter* painter, const QAbstractItemView& view, const QRect& row)
{
    const bool emphasized = view.hasFocus() && view.isActiveWindow();
    QPainterPath band;
    band.addRoundedRect(QRectF(row).adjusted(2, 1, -2, -1), 5, 5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(band, Theme::cyan().withAlpha(emphasized ? 0.18 : 0.10).resolved());
    painter->restore();
}

void replaceStyleHighlight(QAbstractItemView& view)
{
    // Transparent is the same in both appearances, so this role needs no update on a switch; the
    // other roles keep following the application palette.
    QPalette palette = view.palette();
    for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        palette.setColor(group, QPalette::Highlight, Qt::transparent);
    view.setPalette(palette);
}

} // namespace bramblet::RowSelection
