#include "Bramblet/Remote/S3ObjectCells.h"

#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QDateTime>
#include <QLocale>
#include <QTableWidget>

namespace bramblet::S3ObjectCells {

namespace {

constexpr int iconSize = 18;

QIcon iconOf(const S3Object& object, qreal devicePixelRatio)
{
    const QIcon symbol = Theme::systemSymbol(object.isFolder ? QStringLiteral("folder.fill") : QStringLiteral("doc"));
    const QColor color = object.isFolder ? Theme::cyan().resolved() : Theme::systemColor(Theme::SystemColor::label).resolved();
    return QIcon(ImageView::tinted(symbol, QSize(iconSize, iconSize), devicePixelRatio, color));
}

QTableWidgetItem* textItem(const QString& text, const QFont& font, const QColor& color)
{
    auto* item = new QTableWidgetItem(text);
    item->setFont(font);
    item->setForeground(color);
    item->setToolTip(text);
    return item;
}

} // namespace

QString sizeText(const S3Object& object)
{
    return object.isFolder ? QStringLiteral("—") : DisplayText::fileSizeText(object.size);
}

QString dateText(const S3Object& object)
{
    if (!object.modified)
        return QStringLiteral("—");
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(object.modified->time_since_epoch());
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds.count()).toLocalTime();
    return QLocale().toString(local.date(), QStringLiteral("d MMM yy"));
}

void fill(QTableWidget& table, int row, const S3Object& object)
{
    auto* name = textItem(DisplayText::visibleName(object.name()), Theme::font(15, QFont::Normal), Theme::primary().resolved());
    name->setIcon(iconOf(object, table.devicePixelRatioF()));
    table.setItem(row, 0, name);
    const QFont small = Theme::font(12, QFont::Normal);
    const QColor secondary = Theme::systemColor(Theme::SystemColor::secondaryLabel).resolved();
    table.setItem(row, 1, textItem(sizeText(object), small, secondary));
    table.setItem(row, 2, textItem(dateText(object), small, secondary));
}

} // namespace bramblet::S3ObjectCells
