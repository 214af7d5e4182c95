#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Theme/Theme.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Models/FilteredItems.h"

#include <QHeaderView>

namespace bramblet {

namespace {

// No settings pane grants access to a folder here; the row says what happened.
const QString accessDeniedRow = QStringLiteral("Access denied");
const QString unreadableRow = QStringLiteral("Could not load folder");

// The rows from the top level down to `index`: comparing these orders indexes as the tree shows them.
QList<int> rowPath(QModelIndex index)
{
    QList<int> rows;
    for (; index.isValid(); index = index.parent())
        rows.prepend(index.row());
    return rows;
}

} // namespace

void PaneController::configureTree()
{
    m_tree->setModel(m_treeModel);
    m_tree->setHeaderHidden(true);
    m_tree->header()->setStretchLastSection(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setIndentation(16);
    m_tree->setIconSize(QSize(FileTreeModel::iconSide, FileTreeModel::iconSide));
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_tree->setFrameShape(QFrame::NoFrame);
    m_tree->setExpandsOnDoubleClick(false);
    m_tree->setTextElideMode(Qt::ElideMiddle);
    m_tree->viewport()->setAutoFillBackground(false);
    m_tree->setAccessibleName(QStringLiteral("Files in folder tree"));
    m_tree->setMenu(m_contextMenu);

    connect(m_tree, &QAbstractItemView::doubleClicked, this, &PaneController::openSelected);
    connect(m_tree, &QTreeView::expanded, this, &PaneController::expandTree);
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PaneController::treeSelectionChanged);
    const QPointer<PaneController> self(this);
    m_tree->activated = [self] {
        if (self)
            self->fire(self->activated);
    };
}

void PaneController::rebuildTree()
{
    // Only the tree on screen holds the listing: a hundred thousand rows would cost the other
    // presentations a layout they never show.
    const bool shown = activeTab().mode == PaneMode::tree;
    const bool wasRestoring = std::exchange(m_restoringSelection, true);
    m_treeModel->setRoot(currentFolder(), shown ? m_visible.items : QList<FileItem>());
    m_restoringSelection = wasRestoring;
}

void PaneController::expandTree(const QModelIndex& index)
{
    FileTreeEntry* node = m_treeModel->entry(index);
    if (!node || !node->isExpandable() || !m_treeModel->beginLoading(node))
        return;
    // The node lives as long as the tree of this generation; a newer tree drops the result.
    const qint64 generation = m_treeModel->generation();
    const TabSnapshot tab = activeTab();
    const bool showHidden = m_showHidden;
    whenFinished(m_service->list(node->url), this,
                 [this, generation, node, tab, showHidden](const QFuture<QList<FileItem>>& listing) {
                     if (generation != m_treeModel->generation())
                         return;
                     if (const auto error = failureOf(listing)) {
                         m_treeModel->setMessage(node, isAccessDenied(error) ? accessDeniedRow : unreadableRow);
                         return;
                     }
                     if (!hasResult(listing))
                         return;
                     sortTreeChildren(generation, node, listing.result(), tab, showHidden);
                 });
}

void PaneController::sortTreeChildren(qint64 generation, FileTreeEntry* node, const QList<FileItem>& items,
                                      const TabSnapshot& tab, bool showHidden)
{
    // The same filter and order as the top level, sorted away from the main thread. A large folder
    // shows its first rows as soon as they are known, the rest once all are sorted.
    const auto current = [this, generation] { return generation == m_treeModel->generation(); };
    const QPointer<PaneController> self(this);
    const auto sorted = m_sorter.run([items, tab, showHidden, self, current, node](const Cancellation&) {
        return filteredItems(items, tab, showHidden, PaneListModel::chunkSize, [self, current, node](const QList<FileItem>& head) {
            QMetaObject::invokeMethod(self, [self, current, node, head] {
                if (self && current() && self->m_treeModel->isLoading(node))
                    self->m_treeModel->setChildren(node, head);
            }, Qt::QueuedConnection);
        });
    });
    whenFinished(sorted, this, [this, current, node](const QFuture<QList<FileItem>>& done) {
        if (!current() || !hasResult(done))
            return;
        if (m_treeModel->isLoading(node))
            m_treeModel->setChildren(node, done.result());
        else
            m_treeModel->extendChildren(node, done.result());
    });
}

QList<FileItem> PaneController::treeSelection() const
{
    QModelIndexList indexes = m_tree->selectionModel()->selectedRows();
    std::sort(indexes.begin(), indexes.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return rowPath(a) < rowPath(b); });
    QList<FileItem> items;
    for (const QModelIndex& index : std::as_const(indexes)) {
        if (const FileTreeEntry* node = m_treeModel->entry(index); node && node->item)
            items.append(*node->item);
    }
    return items;
}

void PaneController::treeSelectionChanged()
{
    if (!isRecordingSelection(PaneMode::tree))
        return;
    QSet<QString> paths;
    for (const FileItem& item : treeSelection())
        paths.insert(pathString(item.url));
    recordSelection(paths);
}

void PaneController::restoreTreeSelection()
{
    // Only the top level is known after a rebuild; the subfolders start collapsed.
    QItemSelection selection;
    if (m_treeModel->rowCount() == m_visible.size()) {
        for (const QString& path : activeTab().selectedPaths) {
            const auto found = m_visible.rows.constFind(path);
            if (found == m_visible.rows.constEnd())
                continue;
            const QModelIndex index = m_treeModel->index(int(*found), 0);
            selection.select(index, index);
        }
    }
    m_tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

} // namespace bramblet
