#pragma once

#include "Bramblet/Pane/VisibleItems.h"
#include "Bramblet/Theme/ColorView.h"
#include "BrambletCore/Concurrency/SerialExecutor.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/PaneMode.h"
#include "BrambletCore/Models/TabSnapshot.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QAbstractItemView;
class QAbstractScrollArea;
class QItemSelection;
class QKeyEvent;
class QLabel;
class QMenu;
class QMimeData;
class QModelIndex;
class QProgressBar;
class QPushButton;

namespace bramblet {

class ActivatableStack;
class FileCollection;
class FileService;
class FileTable;
class FileTreeEntry;
class FileTreeModel;
class FileTreeView;
class ImageView;
class ModeControl;
class PaneListModel;
class PathControl;
class ThumbnailReader;
class TileThumbnails;

// One file pane: tabs with their own folder, history, view mode, sort, filter, selection and
// scroll offset; the active tab's folder listed through a FileService of the pane's own, filtered,
// searched recursively while a filter is set, and shown with Git badges. The pane is its own root
// view (the owner places it); it reports to its owner only through the callbacks below.
//
// Asynchronous work (listing, Git status, search, sorting) carries a generation number taken when
// it starts and is applied only while the pane's counter still has that value, so only the newest
// result of each kind ever shows; work whose pane is gone stops. Selections are kept as paths per
// tab, so they survive reloads, filtering, sorting and mode changes. Main thread only.
class PaneController : public ColorView {
    Q_OBJECT

public:
    PaneController(const QString& path, PaneMode mode, QWidget* parent = nullptr);
    // A pane listing and searching through `service` (tests give one that answers as they need).
    PaneController(const QString& path, PaneMode mode, std::unique_ptr<FileService> service,
                   QWidget* parent = nullptr);
    ~PaneController() override;

    // Set by the owner; called on the main thread. Nothing is called while unset.
    std::function<void()> activated; // the pane takes part in a user action
    std::function<void()> changed;   // listing, selection, filter or mode changed
    std::function<void(const std::filesystem::path&)> openFile; // a file to open
    std::function<void()> previewSelection;                     // Space in the list
    // Files dropped on the pane: their paths, the destination folder, whether to move them.
    std::function<void(const QList<std::filesystem::path>&, const std::filesystem::path&, bool)> dropped;
    std::function<void(const QString&)> contextAction;           // a context-menu command identifier
    std::function<void(const std::filesystem::path&)> explore;    // show a folder in the other pane
    std::function<void(const std::filesystem::path&)> terminalHere; // a terminal in a folder
    std::function<void()> chooseFolder;                          // the "Choose Folder…" button
    // Offer the explore command (the owner sets it on the left pane only).
    bool canExplore = false;

    // --- Tabs and navigation ---
    // Never empty; the owner may replace them (restoring a saved state), then calls refresh().
    const QList<TabSnapshot>& tabs() const { return m_tabs; }
    int activeTabIndex() const { return m_activeTabIndex; }
    // Replaces the tabs; an empty list is ignored and the index is clamped into range.
    void setTabs(const QList<TabSnapshot>& tabs, int activeTabIndex);
    const TabSnapshot& activeTab() const { return m_tabs[m_activeTabIndex]; }

    // Opens a folder in the active tab, recording it in the history, and reloads. Whether the
    // folder exists is found out by the reload.
    void navigate(const std::filesystem::path& folder);
    void back();
    void forward();
    void goToParent();
    // A folder of the path control was clicked.
    void pathClicked(const QString& path);
    void addTab();
    void closeTab();
    // Makes the tab `step` places after the active one active, wrapping around.
    void cycleTab(int step);
    // Applies the mode control's segment (none selected counts as tree).
    void switchViewMode();
    void setMode(PaneMode mode);
    // Stores the active view's vertical scroll offset in the active tab.
    void saveScroll();
    // Gives the active view the keyboard focus, then reports `activated`.
    void focus();
    // Hands a key to the active view as if it had been pressed there (the preview panel passes
    // the arrow keys on, so they move the selection).
    void passKey(QKeyEvent* event);

    // --- Loading, filter and search ---
    // Lists the current folder again (then Git statuses, then the filter).
    void refresh();
    // Shows the listing through the active tab's filter, sort and showHidden, or starts a
    // recursive search when the filter is set and no cached result answers it.
    void applyFilter();
    void setFilter(const QString& text);
    bool showHidden() const { return m_showHidden; }
    // The owner calls applyFilter() afterwards.
    void setShowHidden(bool showHidden) { m_showHidden = showHidden; }
    // The pause after the last filter change before a search starts (0.2 s).
    std::chrono::milliseconds searchDelay() const { return m_searchDelay; }
    void setSearchDelay(std::chrono::milliseconds delay) { m_searchDelay = delay; }

    // The last listing of the current folder, unsorted; what the views show, in order; the Git
    // status codes by item name.
    const QList<FileItem>& items() const { return m_items; }
    const QList<FileItem>& visible() const { return m_visible.items; }
    const QHash<QString, QString>& gitStatuses() const { return m_gitStatuses; }

    // --- Selection and commands ---
    // The selected visible items, in display order.
    QList<FileItem> selected() const;
    void selectAll();
    // Selects the visible items whose names match a filename filter text (wildcards allowed);
    // the tab's own filter is untouched.
    void selectMatching(const QString& pattern);
    void selectWhere(const std::function<bool(const FileItem&)>& predicate);
    // A finished rename of the item at `from` to `to`: every tab that had it selected selects it
    // under its new path once it shows the item again.
    void itemRenamed(const std::filesystem::path& from, const std::filesystem::path& to);
    // An item just made at `path`: when the active tab shows its folder, it becomes the tab's only
    // selected item once the item is shown.
    void itemCreated(const std::filesystem::path& path);
    // Replace the tags (or permission bits) of each path in order; the first failure is thrown
    // (std::system_error) and leaves the rest untouched and the pane unreloaded. A tag name with a
    // comma is refused (std::invalid_argument) before anything is written.
    void setTags(const QStringList& tags, const QList<std::filesystem::path>& paths);
    void setPermissions(int mode, const QList<std::filesystem::path>& paths);
    // Opens the first selected item: a folder (or a link to one) in this tab, a file through
    // `openFile`.
    void openSelected();
    void refreshAction();
    void chooseFolderAction();

    // Whether a failure means the user may not read the folder (EACCES, EPERM), also when it is
    // nested in another exception.
    static bool isAccessDenied(const std::exception_ptr& error);

    // --- Context menu and drops (PaneContext.cpp) ---
    // A context-menu command chosen: the pane's own ("terminal", "explore") are carried out here,
    // every other goes to `contextAction`.
    void contextSelected(const QString& identifier);
    // Files dropped anywhere on the pane are offered to `dropped` as a copy into the tab's folder.
    // False (the drop is refused) when `data` names no local file.
    bool acceptDrop(const QMimeData* data);

    // --- Views (the owner and tests reach these) ---
    ColorView* activeRule() const { return m_activeRule; }
    // Shown by the side container, not by the pane.
    QToolButton* addButton() const { return m_addButton; }
    QToolButton* closeButton() const { return m_closeButton; }
    QToolButton* backButton() const { return m_backButton; }
    QToolButton* forwardButton() const { return m_forwardButton; }
    PathControl* pathControl() const { return m_pathControl; }
    ModeControl* modeControl() const { return m_modeControl; }
    QLabel* countLabel() const { return m_countLabel; }
    FileTable* table() const { return m_table; }
    PaneListModel* listModel() const { return m_model; }
    FileCollection* collection() const { return m_collection; }
    TileThumbnails* tileThumbnails() const { return m_tileThumbnails; }
    FileTreeView* tree() const { return m_tree; }
    FileTreeModel* treeModel() const { return m_treeModel; }
    // The one menu of the list, the grid and the tree.
    QMenu* contextMenu() const { return m_contextMenu; }
    QWidget* stateView() const { return m_stateView; }
    QLabel* stateLabel() const { return m_stateLabel; }
    ImageView* stateIcon() const { return m_stateIcon; }
    QProgressBar* searchIndicator() const { return m_searchIndicator; }
    QPushButton* chooseFolderButton() const { return m_chooseFolderButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TabSnapshot& currentTab() { return m_tabs[m_activeTabIndex]; }
    std::filesystem::path currentFolder() const;
    void fire(const std::function<void()>& callback) const;

    // Views (PaneViews.cpp).
    void loadView();
    void configureTable();
    QWidget* makeStateView();
    void layOutStateView();
    void updateHeader();
    // The view of a mode; null for a mode whose view this pane does not have.
    QAbstractScrollArea* scrollView(PaneMode mode) const;
    QAbstractScrollArea* activeScroll() const;
    bool handleKey(QKeyEvent* event);
    void tableSelectionChanged();
    // Whether the active view's selection is to be recorded now: it is `mode`'s and no selection
    // is being put in place.
    bool isRecordingSelection(PaneMode mode) const;
    // The visible paths of the rows among `indexes`.
    QSet<QString> rowPaths(const QList<QModelIndex>& indexes) const;
    void recordSelection(const QSet<QString>& paths);
    void sortChanged(int column, Qt::SortOrder order);

    // Context menu and drops (PaneContext.cpp).
    void configureContextMenu();
    void validateContextMenu();
    void configureDragAndDrop(QAbstractItemView* view);
    // Drag events over a view: every drop is a copy into the tab's folder. True when handled.
    bool handleDrag(QEvent* event);

    // Grid (PaneGrid.cpp).
    void configureCollection();
    void gridSelectionChanged();
    // Tells the thumbnails which tiles are on screen, once the grid has settled.
    void scheduleShownTiles();
    void updateShownTiles();

    // Tree (PaneTree.cpp).
    void configureTree();
    // A new tree of the visible items while the tree shows, else an empty one.
    void rebuildTree();
    void expandTree(const QModelIndex& index);
    void sortTreeChildren(qint64 generation, FileTreeEntry* node, const QList<FileItem>& items, const TabSnapshot& tab,
                          bool showHidden);
    QList<FileItem> treeSelection() const;
    void treeSelectionChanged();
    void restoreTreeSelection();

    // Loading (PaneLoading.cpp).
    void listed(qint64 generation, const std::filesystem::path& folder, const QFuture<QList<FileItem>>& listing);
    void listingFailed(const std::exception_ptr& error);
    void present(const QList<FileItem>& items);
    // `items` through the active tab's filter and sort, on the sorter.
    QFuture<VisibleItems> sortVisible(const QList<FileItem>& items);
    // Drops the sort started for a listing while its Git statuses load, if any.
    void dropPresorted();
    // Puts a finished list on screen; `extendsHead` when the list shows its head already.
    void display(const VisibleItems& visible, bool extendsHead = false);
    // Shows the first rows of a long list of display generation `generation` while the rest is
    // sorted; display() follows with the whole list.
    void displayHead(qint64 generation, const VisibleItems& head);
    // Shows `visible` in the list (or nothing); the previous rows are released in the background.
    // With `extendsHead`, the rows shown are the head of `visible` and stay, the rest is appended.
    void setVisible(const VisibleItems& visible, bool extendsHead = false);
    // Drops the last reference to a large listing on the sorter's thread: freeing a hundred
    // thousand items on the main thread would stall it for longer than a frame.
    template <typename T>
    void release(T value)
    {
        m_sorter.run([value = std::move(value)](const Cancellation&) mutable { value = T(); });
    }
    void startSearch();
    void runSearch(qint64 generation, const QString& path, const QString& text, bool includeHidden);
    void searched(qint64 generation, const QString& text, bool includeHidden, const QFuture<QList<FileItem>>& results);
    void cancelSearch();
    bool searchCacheIsValid() const;
    void clearSearchCache();
    void showState(const QString& text, bool accessDenied);
    void restoreSelection();
    void selectArrivedRows(int first, int last);
    void applyPendingScroll();
    QItemSelection rowSelection(const QList<qsizetype>& rows) const;

    QList<TabSnapshot> m_tabs;
    int m_activeTabIndex = 0;
    QList<FileItem> m_items;
    VisibleItems m_visible;
    QHash<QString, QString> m_gitStatuses;
    bool m_showHidden = false;
    bool m_restoringSelection = false;

    qint64 m_generation = 0;        // listings
    qint64 m_searchGeneration = 0;  // searches
    qint64 m_displayGeneration = 0; // background sorts of what to show
    qint64 m_headGeneration = 0;    // the display generation whose head the list shows
    std::chrono::milliseconds m_searchDelay { 200 };
    QTimer m_searchTimer;
    QFuture<QList<FileItem>> m_searchTask;
    std::optional<QList<FileItem>> m_searchResults;
    std::optional<QString> m_searchQuery;
    std::optional<bool> m_searchIncludesHidden;
    // The sort of `m_items` started as the listing arrived, beside the Git status step, with the
    // tab and hidden setting it sorts for; applyFilter() uses it while these are unchanged.
    struct Presorted {
        QFuture<VisibleItems> sorted;
        TabSnapshot tab;
        bool showHidden;
    };
    std::optional<Presorted> m_presorted;
    // A scroll offset the list cannot reach until more of its rows have arrived.
    std::optional<int> m_pendingScroll;

    ColorView* m_activeRule;
    ActivatableStack* m_header;
    QToolButton* m_backButton;
    QToolButton* m_forwardButton;
    QToolButton* m_parentButton;
    QPointer<QToolButton> m_addButton;
    QPointer<QToolButton> m_closeButton;
    PathControl* m_pathControl;
    ModeControl* m_modeControl;
    QLabel* m_countLabel;
    QWidget* m_content;
    FileTable* m_table;
    PaneListModel* m_model;
    FileCollection* m_collection;
    TileThumbnails* m_tileThumbnails;
    QTimer m_tileTimer;
    FileTreeView* m_tree;
    FileTreeModel* m_treeModel;
    QMenu* m_contextMenu;
    QWidget* m_stateView;
    ImageView* m_stateIcon;
    QProgressBar* m_searchIndicator;
    QLabel* m_stateLabel;
    QPushButton* m_chooseFolderButton;

    std::unique_ptr<FileService> m_service;
    std::unique_ptr<ThumbnailReader> m_thumbnailReader;
    // Sorts what to show; declared last so that it is destroyed first, while the rest still exists.
    SerialExecutor m_sorter;
};

} // namespace bramblet
