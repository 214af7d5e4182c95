#include "Bramblet/Pane/PaneListModel.h"

#include "Bramblet/Pane/FileUrls.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/Theme.h"

#include <QFileIconProvider>
#include <QLocale>
#include <QMimeDatabase>

namespace bramblet {

namespace {

// The desktop's icon for a file, chosen by its name alone: reading contents for every row would
// make scrolling a large folder read the disk. Cached per type.
QIcon fileIcon(const QString& name)
{
    static QHash<QString, QIcon> icons;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    const auto found = icons.constFind(type.name());
    if (found != icons.constEnd())
        return *found;
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    return *icons.insert(type.name(), icon);
}

// The day, the abbreviated month and the two-digit year, in the order the user's locale writes
// dates.
QString dateFormat()
{
    const QString localeFormat = QLocale().dateFormat(QLocale::ShortFormat);
    QList<std::pair<qsizetype, QString>> fields {
        { localeFormat.indexOf(u'd'), QStringLiteral("d") },
        { localeFormat.indexOf(u'M'), QStringLiteral("MMM") },
        { localeFormat.indexOf(u'y'), QStringLiteral("yy") },
    };
    std::stable_sort(fields.begin(), fields.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList parts;
    for (const auto& field : fields)
        parts.append(field.second);
    return parts.join(u' ');
}

const QString emDash = QStringLiteral("\u2014");

} // namespace

PaneListModel::PaneListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    m_chunkTimer.setInterval(0);
    connect(&m_chunkTimer, &QTimer::timeout, this, &PaneListModel::insertChunk);
}

void PaneListModel::setItems(const QList<FileItem>& items)
{
    beginResetModel();
    m_items = items;
    m_inserted = int(std::min<qsizetype>(items.size(), chunkSize));
    endResetModel();
    if (isPopulating())
        m_chunkTimer.start();
    else
        m_chunkTimer.stop();
}

void PaneListModel::extendItems(const QList<FileItem>& items)
{
    Q_ASSERT(items.size() >= m_inserted);
    m_items = items;
    if (isPopulating())
        m_chunkTimer.start();
}

void PaneListModel::insertChunk()
{
    const int count = int(std::min<qsizetype>(m_items.size() - m_inserted, chunkSize));
    if (count <= 0) {
        m_chunkTimer.stop();
        return;
    }
    beginInsertRows({}, m_inserted, m_inserted + count - 1);
    m_inserted += count;
    endInsertRows();
    if (!isPopulating())
        m_chunkTimer.stop();
}

void PaneListModel::setGitStatuses(const QHash<QString, QString>& statuses)
{
    m_gitStatuses = statuses;
    if (m_inserted > 0)
        emit dataChanged(index(0, nameColumn), index(m_inserted - 1, nameColumn), { gitCodeRole });
}

SortField PaneListModel::sortField(int column)
{
    switch (column) {
    case sizeColumn:
        return SortField::size;
    case modifiedColumn:
        return SortField::modified;
    default:
        return SortField::name;
    }
}

int PaneListModel::column(SortField field)
{
    switch (field) {
    case SortField::size:
        return sizeColumn;
    case SortField::modified:
        return modifiedColumn;
    case SortField::name:
        break;
    }
    return nameColumn;
}

int PaneListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_inserted;
}

int PaneListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

QIcon PaneListModel::icon(const FileItem& item)
{
    return item.isDirectory ? Theme::systemSymbol(QStringLiteral("folder.fill")) : fileIcon(item.name);
}

QString PaneListModel::sizeText(const FileItem& item)
{
    if (item.isDirectory)
        return emDash;
    return DisplayText::fileSizeText(item.size);
}

QString PaneListModel::dateText(const FileItem& item)
{
    if (!item.modified)
        return emDash;
    static const QString format = dateFormat();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(item.modified->time_since_epoch());
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(milliseconds.count()).date(), format);
}

QVariant PaneListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FileItem& item = m_items[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case nameColumn:
            return DisplayText::visibleName(item.name);
        case sizeColumn:
            return sizeText(item);
        default:
            return dateText(item);
        }
    case Qt::ToolTipRole:
        // The whole path: results of a search below the folder may share a name.
        return index.column() == nameColumn ? QVariant(DisplayText::visibleName(QString::fromStdString(item.url.string())))
                                            : QVariant();
    case Qt::DecorationRole:
        if (index.column() != nameColumn)
            return {};
        return icon(item);
    case Qt::TextAlignmentRole:
        return index.column() == sizeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                            : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case tagColorRole:
        if (index.column() != nameColumn || item.tags.isEmpty())
            return {};
        return Theme::tagColor(item.tags.first()).resolved();
    case gitCodeRole: {
        if (index.column() != nameColumn)
            return {};
        const auto found = m_gitStatuses.constFind(item.name);
        return found == m_gitStatuses.constEnd() ? QVariant() : QVariant(*found);
    }
    case isFolderRole:
        return item.isDirectory;
    default:
        return {};
    }
}

QVariant PaneListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount_)
        return {};
    if (role == Qt::DisplayRole) {
        static const char* const titles[] = { "Name", "Size", "Date Modified" };
        return QString::fromLatin1(titles[section]);
    }
    // A first click on a column sorts it ascending; a repeated click flips it.
    if (role == Qt::InitialSortOrderRole)
        return Qt::AscendingOrder;
    return {};
}

Qt::ItemFlags PaneListModel::flags(const QModelIndex& index) const
{
    const Qt::ItemFlags inherited = QAbstractTableModel::flags(index);
    return index.isValid() ? inherited | Qt::ItemIsDragEnabled : inherited;
}

QStringList PaneListModel::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

QMimeData* PaneListModel::mimeData(const QModelIndexList& indexes) const
{
    // A row is dragged once, however many of its cells are selected; in row order.
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && index.row() < m_items.size())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<std::filesystem::path> files;
    for (int row : rows)
        files.append(m_items[row].url);
    return files.isEmpty() ? nullptr : fileUrlsMimeData(files);
}

Qt::DropActions PaneListModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

} // namespace bramblet
