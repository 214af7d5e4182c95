#include "Bramblet/Sidebar/SidebarCellDelegate.h"

#include "Bramblet/Sidebar/SidebarModel.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QFontMetrics>
#include <QPainter>

namespace bramblet {
namespace {

constexpr int rowHeight = 30;
constexpr int inset = 4;
constexpr int symbolSize = 18;
constexpr int symbolSpacing = 8;

QFont titleFont(const SidebarEntry& entry)
{
    return entry.path ? Theme::font(13, QFont::Normal) : Theme::font(11, QFont::DemiBold);
}

} // namespace

SidebarCellDelegate::SidebarCellDelegate(const SidebarModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
}

void SidebarCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const SidebarEntry* entry = m_model.entry(index);
    if (!entry)
        return;
    QRect content = option.rect.adjusted(inset, inset, -inset, -inset);
    painter->save();
    if (entry->path) {
        const QRect symbolRect(content.left(), content.center().y() - symbolSize / 2 + 1, symbolSize, symbolSize);
        const QIcon symbol = Theme::systemSymbol(Theme::symbolName(entry->icon));
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(symbolRect,
                            ImageView::tinted(symbol, symbolRect.size(), ratio, Theme::primary().resolved()));
        content.setLeft(symbolRect.right() + 1 + symbolSpacing);
    }
    const QFont font = titleFont(*entry);
    painter->setFont(font);
    painter->setPen(entry->path ? Theme::primary().resolved() : Theme::muted().resolved());
    const QString title = QFontMetrics(font).elidedText(entry->title, Qt::ElideMiddle, content.width());
    painter->drawText(content, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, title);
    painter->restore();
}

QSize SidebarCellDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const SidebarEntry* entry = m_model.entry(index);
    if (!entry)
        return QSize(0, rowHeight);
    int width = 2 * inset + QFontMetrics(titleFont(*entry)).horizontalAdvance(entry->title);
    if (entry->path)
        width += symbolSize + symbolSpacing;
    return QSize(width, rowHeight);
}

} // namespace bramblet
