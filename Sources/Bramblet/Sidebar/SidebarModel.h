#pragma once

#include "Bramblet/Sidebar/SidebarSections.h"

#include <QAbstractItemModel>
#include <QList>
#include <QUrl>

#include <functional>
#include <optional>

namespace bramblet {

// The sidebar's outline data: the section entries at the top level, their folder rows below.
// Section headers can neither be selected nor navigated to. Folders dragged onto the Favorites
// section, or onto or between its rows, are offered to `dropped` as a drop on the section itself.
class SidebarModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit SidebarModel(QObject* parent = nullptr);

    // Replaces every entry (a model reset).
    void setSections(SidebarSections sections);
    const SidebarSections& sections() const { return m_sections; }

    // The entry of a valid index of this model; null for the root.
    SidebarEntry* entry(const QModelIndex& index) const;
    QModelIndex sectionIndex(int section) const;

    // Called with the standardised folder URLs of an accepted drop.
    std::function<void(const QList<QUrl>&)> dropped;

    // The folders of a drag: its file URLs (other URLs are ignored), standardised and in order,
    // when there is at least one and every one is a folder (a symbolic link is not); none otherwise.
    static std::optional<QList<QUrl>> droppedFolders(const QMimeData* data);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    // The Favorites section itself or one of its rows; never the root or the Locations section.
    bool isFavoritesTarget(const QModelIndex& index) const;

    SidebarSections m_sections;
};

} // namespace bramblet
