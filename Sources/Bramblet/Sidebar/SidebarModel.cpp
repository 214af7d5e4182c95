#include "Bramblet/Sidebar/SidebarModel.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>

namespace bramblet {

// An index's internal pointer is the entry of its parent: null for a section, the section for a
// folder row. The rows themselves are found by row number in that parent's list.

SidebarModel::SidebarModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

void SidebarModel::setSections(SidebarSections sections)
{
    beginResetModel();
    m_sections = std::move(sections);
    endResetModel();
}

SidebarEntry* SidebarModel::entry(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    const auto* parentEntry = static_cast<const SidebarEntry*>(index.internalPointer());
    const auto& rows = parentEntry ? parentEntry->children : m_sections;
    return rows.at(size_t(index.row())).get();
}

QModelIndex SidebarModel::sectionIndex(int section) const
{
    return index(section, 0);
}

QModelIndex SidebarModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column, entry(parent));
}

QModelIndex SidebarModel::parent(const QModelIndex& child) const
{
    const auto* parentEntry = child.isValid() ? static_cast<const SidebarEntry*>(child.internalPointer()) : nullptr;
    if (!parentEntry)
        return {};
    for (size_t row = 0; row < m_sections.size(); ++row) {
        if (m_sections[row].get() == parentEntry)
            return createIndex(int(row), 0, nullptr);
    }
    return {};
}

int SidebarModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    if (const SidebarEntry* parentEntry = entry(parent))
        return int(parentEntry->children.size());
    return int(m_sections.size());
}

int SidebarModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const
{
    const SidebarEntry* row = entry(index);
    if (!row)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return row->title;
    case Qt::ToolTipRole:
        return row->path ? QVariant(*row->path) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const
{
    const SidebarEntry* row = entry(index);
    if (!row)
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled;
    if (row->path)
        result |= Qt::ItemIsSelectable;
    if (isFavoritesTarget(index))
        result |= Qt::ItemIsDropEnabled;
    return result;
}

QStringList SidebarModel::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

Qt::DropActions SidebarModel::supportedDropActions() const
{
    return Qt::CopyAction;
}

bool SidebarModel::isFavoritesTarget(const QModelIndex& index) const
{
    if (m_sections.empty() || !index.isValid())
        return false;
    const QModelIndex favorites = sectionIndex(0);
    return index == favorites || index.parent() == favorites;
}

std::optional<QList<QUrl>> SidebarModel::droppedFolders(const QMimeData* data)
{
    QList<QUrl> folders;
    for (const QUrl& url : data ? data->urls() : QList<QUrl>()) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::cleanPath(url.toLocalFile());
        const QFileInfo info(path);
        if (info.isSymLink() || !info.isDir())
            return std::nullopt;
        folders.append(QUrl::fromLocalFile(path));
    }
    if (folders.isEmpty())
        return std::nullopt;
    return folders;
}

bool SidebarModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex& parent) const
{
    return isFavoritesTarget(parent) && droppedFolders(data);
}

bool SidebarModel::dropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex& parent)
{
    if (!isFavoritesTarget(parent))
        return false;
    const auto folders = droppedFolders(data);
    if (!folders)
        return false;
    if (dropped)
        dropped(*folders);
    return true;
}

} // namespace bramblet
