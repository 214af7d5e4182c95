#pragma once

#include "Bramblet/Workspace/SavedWorkspace.h"
#include "Bramblet/Workspace/ServerConnection.h"
#include "Bramblet/Workspace/SyncConfig.h"
#include "BrambletCore/Models/ActivityRecord.h"
#include "BrambletCore/Models/FileRequest.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class QLineEdit;
class QPushButton;
class QUrl;
class QWidget;

namespace zentrova {
class TerminalView;
}

namespace bramblet {

class ArchiveRunFolder;
class DialogPresenter;
class FileService;
struct FileItem;
struct FileOutcome;
class InspectorController;
class OperationsWindow;
class PaneController;
class QuickLookPanel;
class SidebarController;
class SyncPlanProgress;
class SyncService;
struct SyncPlan;
class TerminalPaneController;
class ThemedLabel;
class ToolbarAccentButton;
class WorkspaceDefaults;
class WorkspaceSplitter;
class WorkspaceWindow;

// The one main window of the application and everything in it: both sides (each a file pane in
// its side container), the sidebar, the inspector, the toolbar with its filter field, the footer,
// the workspace's own file and sync services, the activity log, the favourite folders, the saved
// workspaces and sync configurations, and the window state kept between runs.
//
// The panes, containers and sidebar never call the controller directly: it sets their callbacks,
// which hold it weakly. Whatever the panes report reaches the window chrome (status line, toolbar
// enabling and toggles, sidebar selection, inspector, filter field) through one coalesced refresh
// per burst, which also saves the window state. Main thread only.
class WorkspaceController : public QObject {
    Q_OBJECT

public:
    // The starting folders of the two sides (the home folder when none); a transient workspace
    // neither restores nor saves anything. `defaults` and `dialogs` outlive the controller.
    WorkspaceController(const std::optional<QString>& initialLeft, const std::optional<QString>& initialRight,
                        bool transient, WorkspaceDefaults& defaults, DialogPresenter& dialogs);
    ~WorkspaceController() override;

    WorkspaceWindow* window() const { return m_window; }
    PaneController* left() const { return m_left; }
    PaneController* right() const { return m_right; }
    TerminalPaneController* leftContent() const { return m_leftContent; }
    TerminalPaneController* rightContent() const { return m_rightContent; }
    SidebarController* sidebar() const { return m_sidebar.get(); }
    InspectorController* inspector() const { return m_inspector.get(); }
    WorkspaceSplitter* split() const { return m_split; }
    QLineEdit* filter() const { return m_filter; }
    ThemedLabel* statusLabel() const { return m_statusLabel; }
    QPushButton* operationsButton() const { return m_operationsButton; }
    // Copy →, Move →, the trash button and Stack, in this order.
    const QList<QAbstractButton*>& selectionButtons() const { return m_selectionButtons; }
    // The toolbar button that runs the workspace command of that name ("toggleSidebar",
    // "chooseFolder", "addFavorite", "refresh", "toggleHidden", "copyToOther", "moveToOther",
    // "newFolder", "trashSelection", "showDropStack", "toggleInspector"); null for other names.
    QAbstractButton* toolbarButton(const QString& command) const { return m_toolbarButtons.value(command); }

    bool isTransient() const { return m_transient; }
    int activeIndex() const { return m_activeIndex; }
    PaneController* activePane() const;
    TerminalPaneController* activeContent() const;
    // Whether a side (0 left, 1 right) shows its file pane. A side showing its terminal sessions
    // hides it, and no file command acts on a pane the user cannot see.
    bool showsFiles(int index) const;
    bool showHidden() const { return m_showHidden; }
    const QStringList& favorites() const { return m_favorites; }
    const QList<SavedWorkspace>& workspaces() const { return m_workspaces; }
    const QList<SyncConfig>& syncConfigs() const { return m_syncConfigs; }
    const QList<ActivityRecord>& records() const { return m_records; }
    const QList<double>& restoredWidths() const { return m_restoredWidths; }
    const QList<std::filesystem::path>& dropStack() const { return m_dropStack; }
    bool manualSidebarHidden() const { return m_manualSidebarHidden; }
    bool manualInspectorHidden() const { return m_manualInspectorHidden; }

    // Hands a file to the desktop's default application; false when none took it.
    using FileOpener = std::function<bool(const QUrl& file)>;
    // What opens files (QDesktopServices::openUrl unless set) and mounts network shares
    // (gioServerConnection() unless set); tests set fakes.
    void setOpener(FileOpener opener) { m_opener = std::move(opener); }
    void setServerConnectionRunner(ServerConnectionRunner runner) { m_serverConnection = std::move(runner); }

    // True while the operations queue runs a request; closing and quitting are refused meanwhile.
    bool processing() const { return m_processing; }
    void setProcessing(bool processing) { m_processing = processing; }

    // --- Persisted state (WorkspaceState.cpp) ---
    // Reads the window state, the activity log, the saved workspaces and sync configurations.
    void restore();
    // Writes the window state; nothing when transient. A state that cannot be encoded is logged
    // and not written.
    void save();
    // The tabs as they are kept between runs: a place inside an archive's extraction, which goes
    // when the program quits, is kept as the folder that holds the archive.
    QList<TabSnapshot> tabsToKeep(const QList<TabSnapshot>& tabs) const;
    // Write the whole list under its key (nothing when transient). A stored list this version
    // could not read is kept under "<key>.unreadable" first.
    void saveWorkspaces();
    void saveSyncConfigs();

    // --- Layout and chrome (WorkspaceLayout.cpp, WorkspaceChrome.cpp) ---
    // Makes a side (0 left, 1 right) the active one.
    void activatePane(int index);
    // Queues one refresh of the chrome; any number of calls before it runs make one refresh.
    void scheduleUpdate();
    void updateToolbarToggleAppearance();
    void updateStackButton();
    // The user typed in the filter field.
    void controlTextDidChange();
    void focusFilter();
    // Hands the favourites and the active folder to the sidebar.
    void rebuildSidebar();
    // Collapses the inspector on a narrow window or by the user's choice, the sidebar by choice.
    void windowDidResize();

    // --- Navigation and location commands (WorkspaceNavigation.cpp) ---
    // Forwarded to the active pane.
    void refresh();
    void newTab();
    void closeTab();
    void parentFolder();
    void openSelection();
    void selectAllFiles();
    // Makes a side active and gives it the keyboard focus.
    void focusLeft() { focusSide(0); }
    void focusRight() { focusSide(1); }
    void focusSide(int index);
    // The folder chooser, starting in the active folder; the side active when it closes goes to
    // the chosen folder.
    void chooseFolder();
    // "Go to Folder": a typed path ("~" for the home folder, relative to the current directory).
    void enterPath();
    // The active folder joins the favourites unless it is a built-in place or a favourite already.
    void addFavorite();
    // A favourite's "Move Up" (`moveUp`) or "Remove from Sidebar".
    void favoriteAction(const QString& path, bool moveUp);
    // Folders dropped on the sidebar's Favorites, appended in order when not favourites yet.
    void foldersDropped(const QList<QUrl>& folders);
    void toggleHidden();
    void toggleSidebar();
    void toggleInspector();
    // Shows the selected items in the preview panel, or closes the panel when it is open.
    void showQuickLook();
    // The items last handed to the preview panel.
    const QList<std::filesystem::path>& previewItems() const { return m_previewItems; }
    // Made on first use of showQuickLook(); null before.
    QuickLookPanel* quickLook() const { return m_quickLook; }

    // --- Opening files, archives and servers (WorkspaceOpening.cpp) ---
    // A file opened in the pane of side `index`: a .zip archive (in any case) opens in that pane,
    // anything else in the desktop's default application.
    void openFile(const std::filesystem::path& file, int index);
    // Shows the archive's contents in `pane`, unpacking it first unless this run did already.
    void openArchive(const std::filesystem::path& archive, PaneController* pane);
    // Asks for a server address in a sheet on `presentingWindow` (the workspace window when null),
    // mounts it and shows it in the active pane.
    void connectToServer(QWidget* presentingWindow = nullptr);
    // The mounting step of connectToServer() for the typed text.
    void mountServer(const QString& address);

    // --- Selection, naming and tags (WorkspaceNaming.cpp) ---
    // The Select by Kind entries before "Folders": a title and its lower-case file extensions.
    static const QList<std::pair<QString, QSet<QString>>>& kindExtensions();
    void selectByPattern();
    void selectByKind();
    void selectByTag();
    // Set Tag: one tag (or none) replaces every tag of the selected items.
    void manageTags();
    // A permission box of the inspector was toggled: the item gets `mode` at once.
    void changePermissions(const std::filesystem::path& item, int mode);
    // Rename, Batch Rename and New Folder queue their requests once the name is valid.
    void rename();
    void batchRename();
    void newFolder();
    // A command of the panes' context menu by its identifier; others are ignored.
    void contextAction(const QString& identifier);

    // --- Window rules (WorkspaceController.cpp) ---
    bool windowShouldClose();
    void windowWillClose();
    // Whether quitting may stop the terminal sessions of both sides (true: go ahead).
    bool confirmTerminalExit();
    // The terminal view of either side that has the keyboard focus: the left side's first.
    zentrova::TerminalView* focusedTerminal() const;
    // Keeps the window inside the usable area of its screen (see clampToScreen()).
    void clampWindowToScreen();

    // --- Prompts (WorkspacePrompts.cpp) ---
    // A failure alert on the window; dropped without a window.
    void showError(const QString& message);
    // One line of text. Every prompt but "Go to Folder" accepts only a valid file name; an invalid
    // one shows the failure and ends the prompt without calling `completion`.
    void askText(const QString& title, const QString& prompt, const QString& initial,
                 std::function<void(const QString&)> completion);
    // One entry of a non-empty list; `completion` gets the index and whether the secondary
    // button was used. Nothing happens for an empty list.
    void presentPicker(const QString& title, const QStringList& items, const QString& actionTitle,
                       const std::optional<QString>& secondaryTitle,
                       std::function<void(int index, bool secondary)> completion);

    // --- Operations queue and activity log (WorkspaceQueue.cpp) ---
    // The single entry point for file work: one "Waiting" record per request, then the requests
    // run one at a time in arrival order; the UI thread only enqueues, asks and redraws.
    void enqueue(const QList<FileRequest>& requests);
    // Sets a record's status and message (the first with that id), then redraws.
    void updateRecord(const QUuid& id, ActivityRecord::Status status, const QString& message);
    // Every waiting request is dropped and its record cancelled with `message`; the running one finishes.
    void cancelPending(const QString& message);
    void cancelOperations();
    // A new request like the record's (conflict policy ask); an unknown identifier does nothing.
    void retryOperation(const QString& identifier);
    void showOperations();
    // Redraws the Operations button and the log, and stores the newest records.
    void renderActivities();
    // Made on first use of showOperations(); null before.
    OperationsWindow* activityWindow() const { return m_activityWindow; }

    // --- Transfers, clipboard, Drop Stack and trash (WorkspaceTransfers.cpp) ---
    // Asks "Copy 3 items?" (or Move) and, confirmed, enqueues one request per URL into `destination`.
    void confirmTransfer(const QList<std::filesystem::path>& urls, const std::filesystem::path& destination,
                         FileAction action);
    void copyToOther();
    void moveToOther();
    // The selection onto the clipboard (file URLs); paste takes the clipboard's file URLs, or ours.
    void copyFiles();
    void pasteFiles() { paste(false); }
    void pasteMoveFiles() { paste(true); }
    void paste(bool move);
    const QList<std::filesystem::path>& clipboard() const { return m_clipboard; }
    void addSelectionToDropStack();
    void showDropStack();
    void transferDropStack(FileAction action);
    void trashSelection();
    // Exactly two selected files in the first of meld, kdiff3 and kompare found on PATH.
    void compareSelected();
    // Whether the desktop's mail handler is installed (Share says why it cannot share without it).
    static bool canShare();
    // The selection to the desktop's mail handler as attachments; without the handler, or when it
    // finds no mail program, an alert says so.
    void shareSelected();

    // --- Compare and sync, saved syncs and workspaces (WorkspaceSync.cpp) ---
    // Plans a one-way sync from the active side's folder to the other side's and reviews it.
    void compareAndSync();
    // The review sheet of a plan; Start Sync queues its copies (see SyncReview).
    void presentSyncPlan(const SyncPlan& plan);
    void saveSyncConfig();
    // Picks a saved folder pair to plan and review, or to delete.
    void runSyncConfig();
    void saveWorkspace();
    // Picks a saved workspace to load into both sides, or to delete.
    void loadWorkspace();
    // The wait for the plan started last, while it runs; null otherwise.
    SyncPlanProgress* syncProgress() const;

signals:
    // One coalesced refresh of the chrome has run.
    void refreshed();
    // The window has closed; the application decides whether to quit.
    void closed();

private:
    // Construction steps (WorkspaceLayout.cpp).
    void configure();
    QWidget* makeToolbar();
    QWidget* makeFooter();
    ToolbarAccentButton* addToolbarButton(const QString& command, const QString& symbol, const QString& title,
                                          const QString& toolTip, bool labelled);
    // A click on the toolbar button of `command` runs `action`.
    void connectToolbarButton(const char* command, void (WorkspaceController::*action)());
    void wirePane(PaneController* pane, int index);
    void wireNavigationCommands();
    // Hands `items` to the preview panel, which exists.
    void preview(const QList<FileItem>& items);
    TerminalPaneController* content(int index) const { return index == 0 ? m_leftContent : m_rightContent; }
    void placeDividers();
    void refreshChrome();
    QString activeTabPath() const;
    // The queue's processing task (WorkspaceQueue.cpp): one step per request.
    void processQueue();
    void execute(const QUuid& id, const FileRequest& request, bool answered);
    void finishOutcome(const QUuid& id, const FileRequest& request, const FileOutcome& outcome, bool answered);
    // A renamed item stays selected under its new name, and a new folder becomes the selection,
    // when the panes show them after the queue has run.
    void selectProduced(const FileRequest& request, const std::filesystem::path& produced);
    void resolveConflict(const std::filesystem::path& source, const std::filesystem::path& destination,
                         std::function<void(std::optional<ConflictPolicy>)> answer);
    void stopProcessing();
    // "Operations · running", or "Operations · " and the number of records.
    QString operationsTitle() const;
    // Once the queue has stopped: an alert for the requests that failed while it ran.
    void reportFailures();
    // Connects the toolbar's transfer buttons and the panes' drops (WorkspaceTransfers.cpp).
    void wireTransferCommands();
    // The active pane's selected items; none while its side shows terminal sessions.
    QList<std::filesystem::path> selectedPaths() const;
    // Plans `source` against `destination` off the main thread, then reviews the plan (WorkspaceSync.cpp).
    void planSync(const std::filesystem::path& source, const std::filesystem::path& destination);
    std::filesystem::path otherFolder() const;

    bool m_transient;
    WorkspaceDefaults& m_defaults;
    DialogPresenter& m_dialogs;
    std::unique_ptr<InspectorController> m_inspector;
    std::unique_ptr<SidebarController> m_sidebar;
    std::unique_ptr<FileService> m_fileService;
    std::unique_ptr<SyncService> m_syncService;
    WorkspaceWindow* m_window; // owned; never released while the controller lives
    PaneController* m_left;
    PaneController* m_right;
    TerminalPaneController* m_leftContent;
    TerminalPaneController* m_rightContent;
    WorkspaceSplitter* m_split;
    QLineEdit* m_filter;
    ThemedLabel* m_statusLabel;
    QPushButton* m_operationsButton;
    QList<QAbstractButton*> m_selectionButtons;
    QHash<QString, QAbstractButton*> m_toolbarButtons;

    QStringList m_favorites;
    QList<SavedWorkspace> m_workspaces;
    QList<SyncConfig> m_syncConfigs;
    QList<ActivityRecord> m_records;
    // The folder of this run's archive extractions: made by the first archive opened, removed when
    // the controller and the last extraction still running are done with it.
    std::shared_ptr<ArchiveRunFolder> m_archiveRun;
    // The archive each extraction of this run came from, by extraction folder.
    QHash<QString, std::filesystem::path> m_archiveSources;
    QList<std::filesystem::path> m_dropStack;
    QList<std::filesystem::path> m_clipboard;
    QList<std::pair<QUuid, FileRequest>> m_pending;
    QList<QUuid> m_failedWhileProcessing;
    QList<std::filesystem::path> m_previewItems;
    QuickLookPanel* m_quickLook = nullptr; // a tool window of m_window
    FileOpener m_opener;
    ServerConnectionRunner m_serverConnection;
    OperationsWindow* m_activityWindow = nullptr; // a child window of m_window
    QPointer<SyncPlanProgress> m_syncProgress;     // a child; deletes itself when its plan is done
    QList<double> m_restoredWidths;
    int m_activeIndex = 0;
    bool m_showHidden = false;
    bool m_manualInspectorHidden = false;
    bool m_manualSidebarHidden = false;
    bool m_updateScheduled = false;
    bool m_processing = false;
};

} // namespace bramblet
