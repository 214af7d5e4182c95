#include "Bramblet/Pane/PaneListDelegate.h"

#include "Bramblet/Pane/GitStatus.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Pane/RowSelection.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QAbstractItemView>
#include <QPainter>

namespace bramblet {

namespace {

constexpr int cellInset = 4;
constexpr int spacing = 8;
constexpr int iconSize = 18;
constexpr int tagDotSize = 8;

} // namespace

void PaneListDelegate::paintSelection(QPainter* painter, const QStyleOptionViewItem& option) const
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (!view)
        return;
    // Each cell paints its share of one band that spans the whole row.
    painter->save();
    painter->setClipRect(option.rect);
    RowSelection::paint(painter, *view, QRect(0, option.rect.top(), view->viewport()->width(), option.rect.height()));
    painter->restore();
}

void PaneListDelegate::paintName(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                 qreal devicePixelRatio) const
{
    int x = cell.left() + cellInset;
    const int middle = cell.center().y();
    const QVariant tag = index.data(PaneListModel::tagColorRole);
    if (tag.isValid()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(tag.value<QColor>());
        painter->drawEllipse(QRectF(x, middle - tagDotSize / 2.0, tagDotSize, tagDotSize));
        painter->restore();
        x += tagDotSize + spacing;
    }

    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QRect iconRect(x, middle - iconSize / 2, iconSize, iconSize);
    if (index.data(PaneListModel::isFolderRole).toBool())
        painter->drawPixmap(iconRect, ImageView::tinted(icon, iconRect.size(), devicePixelRatio, Theme::cyan().resolved()));
    else
        icon.paint(painter, iconRect);
    x += iconSize + spacing;

    const int right = cell.right() - cellInset;
    std::optional<GitStatus::Badge> badge;
    QFont badgeFont = Theme::font(10, QFont::Bold);
    int badgeWidth = 0;
    if (const QVariant code = index.data(PaneListModel::gitCodeRole); code.isValid()) {
        badge = GitStatus::gitBadge(code.toString());
        badgeWidth = QFontMetrics(badgeFont).horizontalAdvance(badge->letter);
    }

    const QFont nameFont = Theme::font(15, QFont::Normal);
    const QFontMetrics nameMetrics(nameFont);
    const int nameRoom = std::max(0, right - x - (badge ? badgeWidth + spacing : 0));
    const QString name = nameMetrics.elidedText(index.data().toString(), Qt::ElideMiddle, nameRoom);
    painter->setFont(nameFont);
    painter->setPen(Theme::primary().resolved());
    painter->drawText(QRect(x, cell.top(), nameRoom, cell.height()), Qt::AlignLeft | Qt::AlignVCenter, name);
    if (!badge)
        return;
    x += nameMetrics.horizontalAdvance(name) + spacing;
    painter->setFont(badgeFont);
    painter->setPen(badge->color.resolved());
    painter->drawText(QRect(x, cell.top(), std::max(0, right - x), cell.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      badge->letter);
}

void PaneListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (option.state & QStyle::State_Selected)
        paintSelection(painter, option);
    painter->save();
    painter->setClipRect(option.rect);
    if (index.column() == PaneListModel::nameColumn) {
        paintName(painter, option.rect, index, option.widget ? option.widget->devicePixelRatioF() : 1.0);
    } else {
        const QFont font = Theme::font(12, QFont::Normal);
        const QRect text = option.rect.adjusted(cellInset, 0, -cellInset, 0);
        painter->setFont(font);
        painter->setPen(Theme::systemColor(Theme::SystemColor::secondaryLabel).resolved());
        painter->drawText(text, index.data(Qt::TextAlignmentRole).toInt(),
                          QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideMiddle, text.width()));
    }
    painter->restore();
}

QSize PaneListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), rowHeight);
}

} // namespace bramblet
