#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Pane/GitStatus.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Theme/FileCollection.h"
#include "Bramblet/Theme/FileTable.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Models/FileFailure.h"

#include <QItemSelection>
#include <QLabel>
#include <QProgressBar>
#include <QPromise>
#include <QPushButton>
#include <QScrollBar>

#include <memory>
#include <system_error>

namespace bramblet {

namespace {

// There is no settings pane that grants a program access to folders here: the fix is the
// folder's permissions, which its owner controls.
const QString accessDeniedListing = QStringLiteral(
    "Access to this folder is restricted.\nChange the folder’s permissions or ask its owner for access, then refresh.");
const QString accessDeniedSearch = QStringLiteral(
    "Access to this folder is restricted.\nChange the folder’s permissions or ask its owner for access, then search "
    "again.");

QString errorDescription(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return QString::fromStdString(failure.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

bool isCancellation(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const FileFailure& failure) {
        return failure.kind() == FileFailure::Kind::cancelled;
    } catch (...) {
        return false;
    }
}

} // namespace

bool PaneController::isAccessDenied(const std::exception_ptr& error)
{
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const std::system_error& failure) {
        if (failure.code() == std::errc::permission_denied || failure.code() == std::errc::operation_not_permitted)
            return true;
        const auto* nested = dynamic_cast<const std::nested_exception*>(&failure);
        return nested && isAccessDenied(nested->nested_ptr());
    } catch (const std::nested_exception& nested) {
        return isAccessDenied(nested.nested_ptr());
    } catch (...) {
        return false;
    }
}

void PaneController::refresh()
{
    cancelSearch();
    clearSearchCache();
    ++m_generation;
    // A sort still running belongs to the listing this one replaces.
    ++m_displayGeneration;
    dropPresorted();
    m_pendingScroll.reset();
    // A subfolder of the tree still being listed belongs to the listing this one replaces.
    m_treeModel->invalidate();
    const qint64 generation = m_generation;
    const std::filesystem::path folder = currentFolder();

    m_searchIndicator->hide();
    m_chooseFolderButton->hide();
    m_stateLabel->setText(QStringLiteral("Loading folder…"));
    m_stateView->show();
    layOutStateView();
    updateHeader();
    // The views keep the previous listing until the new one is shown.
    whenFinished(m_service->list(folder), this, [this, generation, folder](const QFuture<QList<FileItem>>& listing) {
        listed(generation, folder, listing);
    });
}

void PaneController::listed(qint64 generation, const std::filesystem::path& folder,
                            const QFuture<QList<FileItem>>& listing)
{
    if (generation != m_generation)
        return;
    if (const auto error = failureOf(listing)) {
        listingFailed(error);
        return;
    }
    if (!hasResult(listing))
        return;
    QList<FileItem> previous = std::exchange(m_items, listing.result());
    // The sort does not need the statuses: it runs while they load, and shows once they are in.
    if (activeTab().filter.isEmpty())
        m_presorted = Presorted { sortVisible(m_items), activeTab(), m_showHidden };
    release(std::move(previous));
    // The listing shows only once the statuses are in, so its rows never appear without badges.
    whenFinished(GitStatus::loadGitStatuses(folder), this, [this, generation](const QFuture<QHash<QString, QString>>& done) {
        if (generation != m_generation || !hasResult(done))
            return;
        const QHash<QString, QString> statuses = done.result();
        m_gitStatuses = statuses;
        m_model->setGitStatuses(statuses);
        applyFilter();
        fire(changed);
    });
}

void PaneController::listingFailed(const std::exception_ptr& error)
{
    dropPresorted();
    release(std::exchange(m_items, {}));
    setVisible({});
    const bool denied = isAccessDenied(error);
    showState(denied ? accessDeniedListing : QStringLiteral("This location is unavailable\n") + errorDescription(error),
              denied);
    updateHeader();
    fire(changed);
}

void PaneController::showState(const QString& text, bool accessDenied)
{
    m_searchIndicator->hide();
    m_stateLabel->setText(text);
    m_chooseFolderButton->setVisible(accessDenied);
    m_stateView->show();
    layOutStateView();
}

void PaneController::applyFilter()
{
    if (activeTab().filter.isEmpty()) {
        cancelSearch();
        ++m_searchGeneration;
        clearSearchCache();
        present(m_items);
    } else if (searchCacheIsValid()) {
        present(*m_searchResults);
    } else {
        startSearch();
    }
}

void PaneController::setFilter(const QString& text)
{
    if (text != activeTab().filter)
        release(std::exchange(m_searchResults, std::nullopt));
    currentTab().filter = text;
    applyFilter();
    fire(changed);
}

bool PaneController::searchCacheIsValid() const
{
    return m_searchResults && m_searchQuery && m_searchIncludesHidden && *m_searchQuery == activeTab().filter
        && *m_searchIncludesHidden == m_showHidden;
}

void PaneController::clearSearchCache()
{
    release(std::exchange(m_searchResults, std::nullopt));
    m_searchQuery.reset();
    m_searchIncludesHidden.reset();
}

void PaneController::cancelSearch()
{
    m_searchTimer.stop();
    m_searchTimer.disconnect();
    m_searchTask.cancel();
    m_searchTask = {};
}

void PaneController::present(const QList<FileItem>& items)
{
    // Sorting a large folder takes longer than a frame, so it runs on the pane's sorter; only the
    // newest request is shown, and it fires `changed` once it is.
    const qint64 generation = ++m_displayGeneration;
    const TabSnapshot& tab = activeTab();
    QFuture<VisibleItems> sorted;
    if (m_presorted && items.constData() == m_items.constData() && m_presorted->showHidden == m_showHidden
        && m_presorted->tab.sort == tab.sort && m_presorted->tab.descending == tab.descending
        && m_presorted->tab.filter == tab.filter)
        sorted = std::exchange(m_presorted, std::nullopt)->sorted;
    else
        sorted = sortVisible(items);
    dropPresorted();
    // The first screenful shows as soon as it is known, unless the whole list is there already.
    whenResultReady(sorted, this, [this, generation](const QFuture<VisibleItems>& future, int index) {
        if (generation != m_displayGeneration || future.isFinished())
            return;
        if (const VisibleItems rows = future.resultAt(index); rows.isHead)
            displayHead(generation, rows);
    });
    whenFinished(sorted, this, [this, generation](const QFuture<VisibleItems>& done) {
        if (generation != m_displayGeneration || !hasResult(done))
            return;
        const VisibleItems rows = done.resultAt(done.resultCount() - 1);
        if (rows.isHead)
            return; // cancelled before the whole list was in
        display(rows, std::exchange(m_headGeneration, 0) == generation);
        fire(changed);
    });
}

QFuture<VisibleItems> PaneController::sortVisible(const QList<FileItem>& items)
{
    // Two results for a long list, one for a short one: the head, then the whole list.
    auto promise = std::make_shared<QPromise<VisibleItems>>();
    promise->start();
    m_sorter.run([promise, items, tab = activeTab(), showHidden = m_showHidden](const Cancellation&) {
        if (!promise->isCanceled()) {
            try {
                const auto head = [&promise](const VisibleItems& rows) { promise->addResult(rows); };
                promise->addResult(VisibleItems::make(items, tab, showHidden, PaneListModel::chunkSize, head));
            } catch (...) {
                promise->setException(std::current_exception());
            }
        }
        promise->finish();
    });
    return promise->future();
}

void PaneController::dropPresorted()
{
    if (!m_presorted)
        return;
    // A finished sort holds a whole list: its last reference goes on the sorter's thread.
    QFuture<VisibleItems> sorted = std::exchange(m_presorted, std::nullopt)->sorted;
    sorted.cancel();
    release(std::move(sorted));
}

void PaneController::display(const VisibleItems& visible, bool extendsHead)
{
    m_searchIndicator->hide();
    m_restoringSelection = true;
    setVisible(visible, extendsHead);
    QSet<QString>& selection = currentTab().selectedPaths;
    for (auto path = selection.begin(); path != selection.end();) {
        if (m_visible.rows.contains(*path))
            ++path;
        else
            path = selection.erase(path);
    }
    restoreSelection();
    m_restoringSelection = false;

    const bool filtered = !activeTab().filter.isEmpty();
    m_stateLabel->setText(filtered ? QStringLiteral("No matching files\nTry a different name or clear the search.")
                                   : QStringLiteral("This folder is empty"));
    m_stateIcon->setIcon(Theme::systemSymbol(filtered ? QStringLiteral("magnifyingglass") : QStringLiteral("folder.fill")),
                         true);
    m_stateIcon->setAccessibleName(filtered ? QStringLiteral("Search") : QStringLiteral("Folder"));
    m_chooseFolderButton->hide();
    m_stateView->setVisible(m_visible.isEmpty());
    layOutStateView();
    updateHeader();
}

void PaneController::displayHead(qint64 generation, const VisibleItems& head)
{
    // The selection stays as it is: most of its paths are in rows that have not arrived yet.
    m_searchIndicator->hide();
    m_restoringSelection = true;
    setVisible(head);
    restoreSelection();
    m_restoringSelection = false;
    m_stateView->hide();
    layOutStateView();
    m_headGeneration = generation;
}

void PaneController::setVisible(const VisibleItems& visible, bool extendsHead)
{
    VisibleItems previous = std::exchange(m_visible, visible);
    if (extendsHead)
        m_model->extendItems(m_visible.items);
    else
        m_model->setItems(m_visible.items);
    rebuildTree();
    scheduleShownTiles();
    release(std::move(previous));
}

void PaneController::startSearch()
{
    cancelSearch();
    const qint64 generation = ++m_searchGeneration;
    ++m_displayGeneration;
    const QString path = activeTab().path;
    const QString text = activeTab().filter;
    const bool includeHidden = m_showHidden;

    // The views empty and the searching state shows at once; the search itself waits for a pause
    // in the typing.
    setVisible({});
    restoreSelection();
    m_searchIndicator->show();
    m_stateLabel->setText(QStringLiteral("Searching this folder and subfolders…"));
    m_chooseFolderButton->hide();
    m_stateView->show();
    layOutStateView();
    updateHeader();

    connect(&m_searchTimer, &QTimer::timeout, this,
            [this, generation, path, text, includeHidden] { runSearch(generation, path, text, includeHidden); });
    m_searchTimer.start(m_searchDelay);
}

void PaneController::runSearch(qint64 generation, const QString& path, const QString& text, bool includeHidden)
{
    m_searchTimer.disconnect();
    m_searchTask = m_service->search(pathFromString(path), text, includeHidden);
    whenFinished(m_searchTask, this, [this, generation, text, includeHidden](const QFuture<QList<FileItem>>& results) {
        searched(generation, text, includeHidden, results);
    });
}

void PaneController::searched(qint64 generation, const QString& text, bool includeHidden,
                              const QFuture<QList<FileItem>>& results)
{
    if (generation != m_searchGeneration)
        return;
    if (const auto error = failureOf(results)) {
        if (isCancellation(error))
            return;
        m_searchTask = {};
        ++m_displayGeneration;
        setVisible({});
        const bool denied = isAccessDenied(error);
        showState(denied ? accessDeniedSearch : QStringLiteral("Search failed\n") + errorDescription(error), denied);
        updateHeader();
        fire(changed);
        return;
    }
    if (!hasResult(results))
        return; // cancelled
    const QList<FileItem> found = results.result();
    m_searchTask = {};
    release(std::exchange(m_searchResults, found));
    m_searchQuery = text;
    m_searchIncludesHidden = includeHidden;
    present(found);
}

QItemSelection PaneController::rowSelection(const QList<qsizetype>& rows) const
{
    // Runs of neighbouring rows become one range each, so selecting everything stays cheap.
    QItemSelection selection;
    const int lastColumn = m_model->columnCount() - 1;
    for (qsizetype at = 0; at < rows.size();) {
        qsizetype end = at;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1)
            ++end;
        selection.append(QItemSelectionRange(m_model->index(int(rows[at]), 0), m_model->index(int(rows[end]), lastColumn)));
        at = end + 1;
    }
    return selection;
}

void PaneController::restoreSelection()
{
    // The selection handlers must not read back a selection that is still being put in place.
    const bool wasRestoring = std::exchange(m_restoringSelection, true);
    QList<qsizetype> rows;
    for (const QString& path : activeTab().selectedPaths) {
        const auto found = m_visible.rows.constFind(path);
        if (found != m_visible.rows.constEnd() && *found < m_model->rowCount())
            rows.append(*found);
    }
    std::sort(rows.begin(), rows.end());
    const QItemSelection selection = rowSelection(rows);
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_collection->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    restoreTreeSelection();
    m_pendingScroll = int(activeTab().scroll);
    applyPendingScroll();
    m_restoringSelection = wasRestoring;
}

void PaneController::selectArrivedRows(int first, int last)
{
    // Walks the selection, not the new rows: a selection is small, a chunk is thousands of rows.
    const bool wasRestoring = std::exchange(m_restoringSelection, true);
    QList<qsizetype> rows;
    for (const QString& path : activeTab().selectedPaths) {
        const auto found = m_visible.rows.constFind(path);
        if (found != m_visible.rows.constEnd() && *found >= first && *found <= last)
            rows.append(*found);
    }
    if (!rows.isEmpty()) {
        std::sort(rows.begin(), rows.end());
        const QItemSelection selection = rowSelection(rows);
        m_table->selectionModel()->select(selection, QItemSelectionModel::Select);
        m_collection->selectionModel()->select(selection, QItemSelectionModel::Select);
    }
    applyPendingScroll();
    m_restoringSelection = wasRestoring;
}

void PaneController::applyPendingScroll()
{
    if (!m_pendingScroll)
        return;
    QAbstractScrollArea* view = activeScroll();
    if (auto* items = qobject_cast<QAbstractItemView*>(view))
        items->doItemsLayout(); // the scroll range follows the rows inserted so far
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(*m_pendingScroll);
    if (*m_pendingScroll <= bar->maximum() || !m_model->isPopulating())
        m_pendingScroll.reset();
}

} // namespace bramblet
