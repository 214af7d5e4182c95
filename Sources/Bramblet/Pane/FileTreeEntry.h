#pragma once

#include "BrambletCore/Models/FileItem.h"

#include <QList>
#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace bramblet {

// One node of a pane's folder tree: the root (the tab's folder), a listed item, or a row without
// an item that only shows a message ("Loading…" or why a folder could not be listed).
//
// A node's children are "not loaded" until its folder is first expanded, then one placeholder
// while the listing runs, then the listed items or one message row. A large listing makes its
// child nodes only when they are first asked for.
class FileTreeEntry {
public:
    // The root of `folder` with one child per item, in the given order.
    static std::unique_ptr<FileTreeEntry> root(const std::filesystem::path& folder, const QList<FileItem>& children);

    std::filesystem::path url; // the item, or for the root and message rows, the folder they belong to
    std::optional<FileItem> item;
    std::optional<QString> message;

    FileTreeEntry* parent() const { return m_parent; }
    int row() const { return m_row; }

    // A folder that is not a symbolic link: only these open in place.
    bool isExpandable() const { return item && item->isDirectory && !item->isSymbolicLink; }

    bool childrenLoaded() const { return m_loaded; }
    int childCount() const { return int(m_nodes.size()); }
    FileTreeEntry* child(int row);
    // The listed item of child `row`, and its node when it has been made, without making it: a
    // view asks every row of a large folder what it shows.
    const FileItem* childItem(int row) const;
    const FileTreeEntry* existingChild(int row) const { return m_nodes[size_t(row)].get(); }
    // Replaces the children by one node per item, or by one message row.
    void setChildren(const QList<FileItem>& items);
    void setMessage(const QString& text);
    // Appends the items past the rows there are; `items` begins with the items listed so far.
    void extendChildren(const QList<FileItem>& items);

private:
    FileTreeEntry* m_parent = nullptr;
    int m_row = 0;
    bool m_loaded = false;
    QList<FileItem> m_listed;
    std::vector<std::unique_ptr<FileTreeEntry>> m_nodes; // null until asked for
};

} // namespace bramblet
