#pragma once

#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/SortField.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QTimer>

namespace bramblet {

// The rows of a file pane's list: name, size and modification date of each item, in the order the
// pane gives. It never sorts: a header click goes to the pane, which sorts with its filter.
//
// A large list arrives in chunks: the first `chunkSize` rows at once, the rest appended on later
// turns of the event loop, so the first rows show without waiting for the view to take in a
// hundred thousand. rowCount() counts the rows inserted so far; items() holds them all.
class PaneListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { nameColumn, sizeColumn, modifiedColumn, columnCount_ };

    enum Role {
        tagColorRole = Qt::UserRole + 1, // QColor of the first tag, resolved now; none without tags
        gitCodeRole,                     // the item's Git status code; none without one
        isFolderRole,                    // bool
    };

    static constexpr int chunkSize = 2048;

    explicit PaneListModel(QObject* parent = nullptr);

    // Replaces every row. O(1) for the list itself (shared); the view hears of the rows in chunks.
    void setItems(const QList<FileItem>& items);
    // Replaces the rows with a longer list that begins with the rows inserted so far: those stay
    // as they are (no reset), the rest is appended in chunks.
    void extendItems(const QList<FileItem>& items);
    const QList<FileItem>& items() const { return m_items; }
    // True while rows are still being appended.
    bool isPopulating() const { return m_inserted < m_items.size(); }

    // Status codes by item name; only the name column's Git role changes.
    void setGitStatuses(const QHash<QString, QString>& statuses);

    // The sort field of a column, and the column of a sort field.
    static SortField sortField(int column);
    static int column(SortField field);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Rows drag out as file URLs, for a copy or a move; the pane takes drops itself.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    // The icon of the name column: the folder symbol, or the desktop's icon for the file's type
    // (chosen by its name alone).
    static QIcon icon(const FileItem& item);
    // The texts of the size and date columns.
    static QString sizeText(const FileItem& item);
    static QString dateText(const FileItem& item);

private:
    void insertChunk();

    QList<FileItem> m_items;
    int m_inserted = 0;
    QHash<QString, QString> m_gitStatuses;
    QTimer m_chunkTimer;
};

} // namespace bramblet
