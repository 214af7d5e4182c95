#include "Bramblet/Pane/FileTile.h"

#include "Bramblet/Pane/CompactGridLayout.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Pane/TileThumbnails.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace bramblet {

namespace {

constexpr int contentInset = 8;
constexpr int stackSpacing = 4;
constexpr int iconSide = 80;

QIcon tileIcon(const FileItem& item)
{
    if (item.isDirectory) {
        static const QIcon folder = Theme::iconImage(QStringLiteral("Folder")).value_or(QIcon());
        if (!folder.isNull())
            return folder;
    }
    return PaneListModel::icon(item);
}

} // namespace

FileTile::FileTile(const TileThumbnails* thumbnails, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_thumbnails(thumbnails)
{
}

QSize FileTile::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return CompactGridLayout::cellSize;
}

QStringList FileTile::nameLines(const QString& name, const QFont& font, int width)
{
    QTextLayout layout(name, font);
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return { name };
    }
    first.setLineWidth(width);
    layout.endLayout();
    const QString head = name.left(first.textLength());
    const QString rest = name.mid(first.textLength());
    if (rest.isEmpty())
        return { head };
    return { head, QFontMetrics(font).elidedText(rest, Qt::ElideMiddle, width) };
}

void FileTile::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const PaneListModel*>(index.model());
    if (!model || index.row() >= model->items().size())
        return;
    const FileItem& item = model->items()[index.row()];
    const int half = CompactGridLayout::spacing / 2;
    const QRect tile = option.rect.adjusted(half, half, -half, -half);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (option.state.testFlag(QStyle::State_Selected)) {
        QPainterPath background;
        background.addRoundedRect(QRectF(tile), 6, 6);
        painter->fillPath(background, Theme::cyan().withAlpha(0.16).resolved());
    }

    const QRect content = tile.adjusted(contentInset, contentInset, -contentInset, -contentInset);
    const QRect imageArea(QPoint(content.center().x() - imageSize.width() / 2 + 1, content.top()), imageSize);
    const QImage thumbnail = item.isDirectory || item.isSymbolicLink ? QImage() : m_thumbnails->thumbnail(pathString(item.url));
    if (!thumbnail.isNull()) {
        // Scaled to the area, up or down, keeping its proportions; a picture read for the tile
        // fits it already.
        const QSize shown = thumbnail.size().scaled(imageSize, Qt::KeepAspectRatio);
        QRect target(QPoint(), shown);
        target.moveCenter(imageArea.center());
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, thumbnail);
    } else {
        const qreal ratio = option.widget ? option.widget->devicePixelRatioF() : 1.0;
        const QIcon icon = tileIcon(item);
        QRect target(0, 0, iconSide, iconSide);
        target.moveCenter(imageArea.center());
        painter->drawPixmap(target, icon.pixmap(QSize(iconSide, iconSide), ratio));
    }

    const QFont font = Theme::font(12, QFont::Normal);
    painter->setFont(font);
    painter->setPen(Theme::primary().resolved());
    const QFontMetrics metrics(font);
    int y = imageArea.bottom() + 1 + stackSpacing;
    for (const QString& line : nameLines(DisplayText::visibleName(item.name), font, nameWidth)) {
        const QRect lineRect(content.center().x() - nameWidth / 2 + 1, y, nameWidth, metrics.height());
        painter->drawText(lineRect, Qt::AlignHCenter | Qt::AlignTop, line);
        y += metrics.height();
    }
    painter->restore();
}

} // namespace bramblet
