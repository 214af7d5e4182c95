#include "Bramblet/Pane/FileTreeModel.h"

#include "Bramblet/Pane/FileUrls.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QMimeData>

namespace bramblet {

const QString FileTreeModel::loadingText = QStringLiteral("Loading…");

FileTreeModel::FileTreeModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

FileTreeModel::~FileTreeModel() = default;

void FileTreeModel::setRoot(const std::filesystem::path& folder, const QList<FileItem>& items)
{
    beginResetModel();
    m_root = FileTreeEntry::root(folder, items);
    ++m_generation;
    endResetModel();
}

FileTreeEntry* FileTreeModel::entry(const QModelIndex& index) const
{
    // An index points at its parent node and names the child by its row, so that rows can be
    // handed out without making a node for each.
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<FileTreeEntry*>(index.internalPointer())->child(index.row());
}

QModelIndex FileTreeModel::indexOf(const FileTreeEntry* node) const
{
    if (!node || !node->parent())
        return {};
    return createIndex(node->row(), 0, node->parent());
}

bool FileTreeModel::beginLoading(FileTreeEntry* node)
{
    if (!node || node->childrenLoaded())
        return false;
    setMessage(node, loadingText);
    return true;
}

void FileTreeModel::setChildren(FileTreeEntry* node, const QList<FileItem>& items)
{
    replaceChildren(node, int(items.size()), [&items](FileTreeEntry* loaded) { loaded->setChildren(items); });
}

bool FileTreeModel::isLoading(FileTreeEntry* node) const
{
    if (node->childCount() != 1 || node->childItem(0))
        return false;
    return node->child(0)->message == loadingText;
}

void FileTreeModel::extendChildren(FileTreeEntry* node, const QList<FileItem>& items)
{
    const int count = node->childCount();
    if (items.size() <= count)
        return;
    beginInsertRows(indexOf(node), count, int(items.size()) - 1);
    node->extendChildren(items);
    endInsertRows();
}

void FileTreeModel::setMessage(FileTreeEntry* node, const QString& text)
{
    replaceChildren(node, 1, [&text](FileTreeEntry* failed) { failed->setMessage(text); });
}

void FileTreeModel::replaceChildren(FileTreeEntry* node, int count, const std::function<void(FileTreeEntry*)>& change)
{
    const QModelIndex parent = indexOf(node);
    if (node->childCount() > 0) {
        beginRemoveRows(parent, 0, node->childCount() - 1);
        node->setChildren({});
        endRemoveRows();
    }
    if (count == 0) {
        change(node);
        return;
    }
    beginInsertRows(parent, 0, count - 1);
    change(node);
    endInsertRows();
}

QModelIndex FileTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0 || !m_root)
        return {};
    FileTreeEntry* node = parent.isValid() ? entry(parent) : m_root.get();
    if (!node || row >= node->childCount())
        return {};
    return createIndex(row, 0, node);
}

QModelIndex FileTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(static_cast<FileTreeEntry*>(child.internalPointer()));
}

int FileTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const FileTreeEntry* node = parent.isValid() ? entry(parent) : m_root.get();
    return node ? node->childCount() : 0;
}

int FileTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.column() > 0 ? 0 : 1;
}

const FileItem* FileTreeModel::itemAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<const FileTreeEntry*>(index.internalPointer())->childItem(index.row());
}

bool FileTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return rowCount() > 0;
    const auto* above = static_cast<const FileTreeEntry*>(parent.internalPointer());
    if (const FileTreeEntry* node = above->existingChild(parent.row()))
        return node->isExpandable() && (!node->childrenLoaded() || node->childCount() > 0);
    // A folder not listed yet shows that it can be opened.
    const FileItem* item = itemAt(parent);
    return item && item->isDirectory && !item->isSymbolicLink;
}

QVariant FileTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return {};
    const FileItem* item = itemAt(index);
    if (!item) {
        // A message row: made with its folder, never many.
        const FileTreeEntry* row = entry(index);
        switch (role) {
        case Qt::DisplayRole:
            return row->message.value_or(QString());
        case Qt::ToolTipRole:
            return pathString(row->url);
        case Qt::SizeHintRole:
            return QSize(0, rowHeight);
        case Qt::FontRole:
            return Theme::font(12, QFont::Normal);
        case Qt::ForegroundRole:
            return Theme::muted().resolved();
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText::visibleName(item->name);
    case Qt::ToolTipRole:
        return pathString(item->url);
    case Qt::DecorationRole:
        if (item->isDirectory) {
            return QIcon(ImageView::tinted(PaneListModel::icon(*item), QSize(iconSide, iconSide), 2.0,
                                           Theme::cyan().resolved()));
        }
        return PaneListModel::icon(*item);
    case Qt::SizeHintRole:
        return QSize(0, rowHeight);
    case Qt::FontRole:
        return Theme::font(15, QFont::Normal);
    case Qt::ForegroundRole:
        return Theme::primary().resolved();
    case PaneListModel::isFolderRole:
        return item->isDirectory;
    default:
        return {};
    }
}

Qt::ItemFlags FileTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return Qt::NoItemFlags;
    // Rows without an item show a state; they cannot be chosen.
    if (!itemAt(index))
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList FileTreeModel::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

QMimeData* FileTreeModel::mimeData(const QModelIndexList& indexes) const
{
    QList<std::filesystem::path> files;
    for (const QModelIndex& index : indexes) {
        if (const FileTreeEntry* node = entry(index); node && node->item)
            files.append(node->item->url);
    }
    return files.isEmpty() ? nullptr : fileUrlsMimeData(files);
}

Qt::DropActions FileTreeModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

} // namespace bramblet
