#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include "ZentrovaView/UserInterfaceItem.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QMenuBar;

namespace zentrova {
class TerminalView;
}

namespace bramblet {

class DialogPresenter;
class SettingsWindowController;
class UpdateController;
class WorkspaceController;
class WorkspaceDefaults;

// The application's own decisions: it applies the stored appearance and keeps the application
// icon in step with the look in effect, launches the one workspace from the command line, builds
// the main menu, opens the settings window and the update check, opens folders handed to the
// program, and decides whether the application may quit. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Reads the stored appearance. `defaults` and `dialogs` outlive the delegate.
    AppDelegate(WorkspaceDefaults& defaults, DialogPresenter& dialogs);
    ~AppDelegate() override;

    // The launch, once the event loop runs: `arguments` is the whole argument list, executable first.
    void applicationDidFinishLaunching(const QStringList& arguments);

    WorkspaceController* workspace() const { return m_workspace.get(); }
    const QString& appearanceChoice() const { return m_appearanceChoice; }

    // "Light" and "Dark" (exactly) choose that look; anything else follows the system.
    void applyAppearance();
    // The application icon of the look in effect: "Bramblet-dark" when dark, else "Bramblet-light".
    void updateIcon();
    // A new choice from the settings: stored under "appearance" (also in a transient session),
    // then applied.
    void changeAppearance(const QString& choice);

    // Folders handed to the program: the first one that is an existing folder opens in the left
    // pane, which becomes active and takes the focus; files and unreadable entries are skipped.
    void openFolders(const QStringList& paths);
    // What a later start of the program hands over: its folders as above, and the window shown and
    // brought to the front even when none of them is a folder.
    void openHandedOverFolders(const QStringList& paths);

    // The settings window, made on the first call and kept: on the tab `tab` when one is given (its
    // last tab otherwise), centred at the size of that tab, shown and brought to the front.
    SettingsWindowController* presentSettings(const QString& tab = {});
    void showSettings();
    // The settings window on its S3 or TrueNAS tab.
    void showS3Settings();
    void showTrueNASSettings();
    // Null before the first presentSettings().
    SettingsWindowController* settingsController() const { return m_settingsController.get(); }

    // Checks for a new version; its answer goes to the window in front.
    void checkForUpdates();
    // Made at the end of the launch; null before.
    UpdateController* updater() const { return m_updater.get(); }

    // The quit rules; true when the application may quit now. An update being installed lets it
    // go at once; otherwise a running file request refuses, running terminals ask, and the window
    // state is saved.
    bool applicationShouldTerminate();
    // Quits when the rules allow it.
    void terminate();

    // Edit routing: a focused text field or text editor, else a focused terminal view of either
    // side gets the command; otherwise copy, paste and select all act on the files of the active
    // pane. Undo and cut reach text only.
    void copy();
    void paste();
    void selectAll();
    void undo();
    void cut();
    // A find command (a FindCommandTag) for the focused terminal, its find bar included.
    void terminalFind(int tag);

    // The resource path of the application icon for a look.
    static QString iconResource(Appearance appearance);

    // The main menu of the workspace window; null before the launch.
    QMenuBar* menuBar() const { return m_menuBar; }

private:
    // Builds the main menu and every keyboard shortcut (AppMenu.cpp).
    void makeMenu();
    // Enables Undo and Cut from what the focused text field offers, the items a terminal
    // validates from the focused terminal's answers, and the file commands while the file panes
    // they act on show.
    void updateTextEditItems();
    // The command a focused terminal validates for an Edit item's title; none for other items.
    static std::optional<zentrova::UserInterfaceItem> terminalCommand(const QString& title);
    void showAbout();
    // Shows the workspace window (also when minimised) and brings it to the front.
    void bringWindowForward();
    zentrova::TerminalView* focusedTerminal() const;

    WorkspaceDefaults& m_defaults;
    DialogPresenter& m_dialogs;
    std::unique_ptr<WorkspaceController> m_workspace;
    std::unique_ptr<UpdateController> m_updater;
    std::unique_ptr<SettingsWindowController> m_settingsController;
    QString m_appearanceChoice;
    QMenuBar* m_menuBar = nullptr; // owned by the workspace window
    QAction* m_undoAction = nullptr; // owned by the Edit menu
    QAction* m_cutAction = nullptr;
    struct TerminalItem {
        QAction* action; // owned by the Edit menu
        zentrova::UserInterfaceItem command;
    };
    QList<TerminalItem> m_terminalItems;
    struct FileCommandItem {
        QAction* action; // owned by its menu or the window
        bool bothSides;  // also needs the other side's file pane
    };
    QList<FileCommandItem> m_fileItems;
    // Keep the items in step with the focus, with the sides' files and terminals, and with the focused
    // terminal's selection.
    QMetaObject::Connection m_focusChange;
    QMetaObject::Connection m_workspaceRefresh;
    QMetaObject::Connection m_terminalMenuState;
};

} // namespace bramblet
