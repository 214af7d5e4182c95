#include "Bramblet/Pane/FileTreeEntry.h"

namespace bramblet {

std::unique_ptr<FileTreeEntry> FileTreeEntry::root(const std::filesystem::path& folder, const QList<FileItem>& children)
{
    auto root = std::make_unique<FileTreeEntry>();
    root->url = folder;
    root->setChildren(children);
    return root;
}

FileTreeEntry* FileTreeEntry::child(int row)
{
    if (row < 0 || row >= childCount())
        return nullptr;
    std::unique_ptr<FileTreeEntry>& node = m_nodes[size_t(row)];
    if (!node) {
        node = std::make_unique<FileTreeEntry>();
        node->url = m_listed[row].url;
        node->item = m_listed[row];
        node->m_parent = this;
        node->m_row = row;
    }
    return node.get();
}

const FileItem* FileTreeEntry::childItem(int row) const
{
    return row >= 0 && row < m_listed.size() ? &m_listed[row] : nullptr;
}

void FileTreeEntry::extendChildren(const QList<FileItem>& items)
{
    m_listed = items;
    m_nodes.resize(size_t(items.size()));
}

void FileTreeEntry::setChildren(const QList<FileItem>& items)
{
    m_loaded = true;
    m_listed = items;
    m_nodes.clear();
    m_nodes.resize(size_t(items.size()));
}

void FileTreeEntry::setMessage(const QString& text)
{
    m_loaded = true;
    m_listed.clear();
    auto row = std::make_unique<FileTreeEntry>();
    row->url = url;
    row->message = text;
    row->m_parent = this;
    m_nodes.clear();
    m_nodes.push_back(std::move(row));
}

} // namespace bramblet
