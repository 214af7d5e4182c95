#pragma once

#include "Bramblet/Pane/FileTreeEntry.h"

#include <QAbstractItemModel>

#include <functional>

namespace bramblet {

// The rows of a pane's folder tree: one column, the root's children at the top level, each
// folder's children under it once listed. Its generation changes with every new root (and when
// the pane invalidates it), so a listing that finishes for an older tree is recognised as stale;
// the nodes of the current generation live until the next root.
class FileTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    static const QString loadingText;
    static constexpr int rowHeight = 28;
    static constexpr int iconSide = 18;

    explicit FileTreeModel(QObject* parent = nullptr);
    ~FileTreeModel() override;

    // A new tree of `folder` with `items` at the top level; the generation moves on.
    void setRoot(const std::filesystem::path& folder, const QList<FileItem>& items);
    // Makes every listing under way stale without replacing the tree.
    void invalidate() { ++m_generation; }
    qint64 generation() const { return m_generation; }

    // The node of a row; null for an invalid index.
    FileTreeEntry* entry(const QModelIndex& index) const;
    QModelIndex indexOf(const FileTreeEntry* node) const;
    // Gives an unloaded folder its "Loading…" row; false when the node's children are already set.
    bool beginLoading(FileTreeEntry* node);
    // Replaces a folder's rows by its listed items or by a message row.
    void setChildren(FileTreeEntry* node, const QList<FileItem>& items);
    void setMessage(FileTreeEntry* node, const QString& text);
    // Whether a folder shows only its "Loading…" row.
    bool isLoading(FileTreeEntry* node) const;
    // Appends the rows of `items` past those shown; `items` begins with the items shown.
    void extendChildren(FileTreeEntry* node, const QList<FileItem>& items);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Items drag out as file URLs; the pane takes drops itself.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    const FileItem* itemAt(const QModelIndex& index) const;
    // Replaces a node's rows by the `count` rows `change` gives it, telling the views.
    void replaceChildren(FileTreeEntry* node, int count, const std::function<void(FileTreeEntry*)>& change);

    std::unique_ptr<FileTreeEntry> m_root;
    qint64 m_generation = 0;
};

} // namespace bramblet
