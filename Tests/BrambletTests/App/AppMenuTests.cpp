#include "Bramblet/App/AppDelegate.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Settings/SettingsWindowController.h"
#include "Bramblet/Workspace/EmbeddedTerminalView.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/TerminalSession.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Pane/PaneTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/TerminalTestSupport.h"
#include "Workspace/WorkspaceTestSupport.h"
#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/TerminalFindBarView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace bramblet {
namespace {

using testing::eventually;
using testing::names;

class AppMenuTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        QDir root(m_folder.path());
        ASSERT_TRUE(root.mkpath("sub"));
        QFile file(root.filePath("a.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        delegate.applicationDidFinishLaunching({ "bramblet", "--temporary", "--left", m_folder.path(), "--right", m_folder.path() });
        workspace = delegate.workspace();
        ASSERT_TRUE(eventually([this] { return workspace->left()->visible().size() == 2; }));
    }
    void TearDown() override { workspace->window()->hide(); }

    QMenu* menu(const QString& title) const
    {
        for (QAction* top : delegate.menuBar()->actions()) {
            if (QString(top->text()).remove(u'&') == title)
                return top->menu();
        }
        return nullptr;
    }

    // "Menu/Title" -> the action; the title as shown, without the doubling that keeps "&" visible.
    QAction* item(const QString& path) const
    {
        const QString menuTitle = path.section(u'/', 0, 0);
        const QString title = path.section(u'/', 1);
        for (QAction* top : delegate.menuBar()->actions()) {
            if (QString(top->text()).remove(u'&') != menuTitle)
                continue;
            for (QAction* action : top->menu()->actions()) {
                if (QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&")) == title)
                    return action;
            }
        }
        return nullptr;
    }

    QString folder() const { return m_folder.path(); }

    testing::FakeDialogs dialogs;
    AppDelegate delegate { defaults(), dialogs };
    WorkspaceController* workspace = nullptr;

private:
    QTemporaryDir m_folder;
};

TEST_F(AppMenuTest, EveryItemHasItsMenuTitleAndKeys)
{
    QStringList menus;
    for (QAction* top : delegate.menuBar()->actions())
        menus.append(top->text());
    EXPECT_EQ(menus, QStringList({ "&Bramblet", "&File", "&Edit", "&View", "&Go", "&Operations" }))
        << "each title's first letter is its mnemonic";

    struct Case {
        const char* path;
        const char* keys; // every shortcut, the menu's first
    };
    const Case cases[] = {
        { "Bramblet/About Bramblet", "" },
        { "Bramblet/Check for Updates\u2026", "" },
        { "Bramblet/Settings\u2026", "Ctrl+," },
        { "Bramblet/Hide Bramblet", "" },
        { "Bramblet/Quit Bramblet", "Ctrl+Q" },
        { "File/Choose Folder\u2026", "Ctrl+O" },
        { "File/Go to Folder\u2026", "Ctrl+L" },
        { "File/New Folder\u2026", "Ctrl+Shift+N" },
        { "File/New Tab", "Ctrl+T" },
        { "File/Close Tab", "Ctrl+W" },
        { "File/Open Selection", "Ctrl+Down" },
        { "File/Parent Folder", "Ctrl+Up; Backspace; Alt+Up" },
        { "File/Rename\u2026", "F2" },
        { "File/Batch Rename\u2026", "" },
        { "File/Set Tag\u2026", "" },
        { "File/Move to Trash\u2026", "Del; Ctrl+Backspace" },
        { "Edit/Undo", "Ctrl+Z" },
        { "Edit/Cut", "Ctrl+X" },
        { "Edit/Copy", "Ctrl+C; Ctrl+Shift+C" },
        { "Edit/Paste", "Ctrl+V; Ctrl+Shift+V" },
        { "Edit/Move Copied Items Here", "Ctrl+Alt+V" },
        { "Edit/Select All", "Ctrl+A" },
        { "Edit/Find\u2026", "Ctrl+Shift+F" },
        { "Edit/Find Next", "Ctrl+Shift+G" },
        { "Edit/Find Previous", "Ctrl+Shift+H" },
        { "Edit/Use Selection for Find", "" },
        { "View/Filter This Folder", "Ctrl+F" },
        { "View/Select by Pattern\u2026", "" },
        { "View/Select by Kind\u2026", "" },
        { "View/Select by Tag\u2026", "" },
        { "View/Refresh", "Ctrl+R; F5" },
        { "View/Show Hidden Files", "Ctrl+Shift+.; Ctrl+H" },
        { "View/Toggle Sidebar", "Ctrl+Alt+S" },
        { "View/Toggle Inspector", "Ctrl+Alt+I" },
        { "View/Quick Look", "Ctrl+Y" },
        { "Go/Focus Left Pane", "Ctrl+Alt+Left" },
        { "Go/Focus Right Pane", "Ctrl+Alt+Right" },
        { "Go/Add to Favorites", "Ctrl+D" },
        { "Go/Connect to Server\u2026", "" },
        { "Go/Connect to S3\u2026", "" },
        { "Go/Connect to TrueNAS\u2026", "" },
        { "Go/Save Workspace\u2026", "" },
        { "Go/Load Workspace\u2026", "" },
        { "Operations/Copy to Other Pane\u2026", "" },
        { "Operations/Move to Other Pane\u2026", "" },
        { "Operations/Compare & Sync to Other Pane\u2026", "" },
        { "Operations/Save Sync Configuration\u2026", "" },
        { "Operations/Run Saved Sync\u2026", "" },
        { "Operations/Show Operations", "Ctrl+J" },
        { "Operations/Show Drop Stack", "" },
        { "Operations/Compare Selected Files", "" },
        { "Operations/Share\u2026", "" },
        { "Operations/Cancel Pending Items", "" },
    };
    QSet<QKeySequence> bound;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        QAction* action = item(QString::fromUtf8(c.path));
        ASSERT_NE(action, nullptr);
        QStringList keys;
        for (const auto& key : action->shortcuts()) {
            keys.append(key.toString());
            EXPECT_FALSE(bound.contains(key)) << "bound twice: " << key.toString().toStdString();
            bound.insert(key);
        }
        EXPECT_EQ(keys.join("; ").toStdString(), c.keys);
    }
    EXPECT_EQ(item("Operations/Compare & Sync to Other Pane\u2026")->text(), "Compare && Sync to Other Pane\u2026")
        << "a single \"&\" would underline the next letter and vanish";
    EXPECT_EQ(item("Operations/Share\u2026")->isEnabled(), WorkspaceController::canShare());
    EXPECT_EQ(item("Bramblet/Quit Bramblet")->shortcutContext(), Qt::ApplicationShortcut);
    EXPECT_EQ(item("Operations/Show Operations")->shortcutContext(), Qt::ApplicationShortcut);
}

TEST_F(AppMenuTest, ItemsReachTheWorkspace)
{
    item("File/New Tab")->trigger();
    EXPECT_EQ(workspace->left()->tabs().size(), 2);
    item("File/Close Tab")->trigger();
    EXPECT_EQ(workspace->left()->tabs().size(), 1);
    EXPECT_TRUE(workspace->window()->isVisible()) << "Close Tab never closes the window";
    item("View/Show Hidden Files")->trigger();
    EXPECT_TRUE(workspace->showHidden());
    item("File/New Folder\u2026")->trigger();
    EXPECT_EQ(dialogs.presented.last().request.message, "New Folder");
    item("Go/Connect to Server\u2026")->trigger();
    EXPECT_EQ(dialogs.presented.last().request.message, "Connect to Server");
    item("Go/Focus Right Pane")->trigger();
    EXPECT_EQ(workspace->activeIndex(), 1);
    item("Operations/Run Saved Sync\u2026")->trigger();
    EXPECT_EQ(dialogs.presented.last().request.informativeText,
              "No saved sync configurations yet. Use Save Sync Configuration\u2026 first.");
    item("Go/Load Workspace\u2026")->trigger();
    EXPECT_EQ(dialogs.presented.last().request.informativeText, "No saved workspaces yet. Use Save Workspace\u2026 first.");
    item("Go/Connect to S3\u2026")->trigger();
    ASSERT_TRUE(delegate.settingsController());
    EXPECT_EQ(delegate.settingsController()->selectedItemIdentifier(), "s3");
    item("Bramblet/Check for Updates\u2026")->trigger();
    EXPECT_EQ(dialogs.presented.last().request.message, "This build doesn\u2019t check for updates");
    delegate.settingsController()->window()->hide();
}

TEST_F(AppMenuTest, EditCommandsGoToAFocusedTextFieldOtherwiseToTheFiles)
{
    auto* window = workspace->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    workspace->filter()->setText("abc");
    workspace->filter()->setFocus();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->filter(); }));
    item("Edit/Select All")->trigger();
    EXPECT_EQ(workspace->filter()->selectedText(), "abc");
    EXPECT_TRUE(workspace->left()->selected().isEmpty()) << "the files are left alone";
    item("Edit/Copy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");

    workspace->left()->focus();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->left()->table(); }));
    EXPECT_FALSE(item("Edit/Undo")->isEnabled()) << "undo and cut reach text only";
    EXPECT_FALSE(item("Edit/Cut")->isEnabled());
    item("Edit/Select All")->trigger();
    EXPECT_EQ(names(workspace->left()->selected()), QStringList({ "sub", "a.txt" }));
    item("Edit/Copy")->trigger();
    EXPECT_EQ(workspace->clipboard().size(), 2);
}

TEST_F(AppMenuTest, EditCommandsGoToAFocusedTerminalBeforeAnythingElse)
{
    testing::EnvironmentOverride shell("SHELL", "/bin/sh");
    auto* window = workspace->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    workspace->rightContent()->open(folder().toStdString());
    TerminalSession* session = workspace->rightContent()->current();
    ASSERT_TRUE(eventually([this] { return workspace->focusedTerminal() != nullptr; }));

    QGuiApplication::clipboard()->setText("echo routed-$((20+3))\r");
    item("Edit/Paste")->trigger();
    ASSERT_TRUE(eventually([session] { return testing::screenText(*session->terminal()).find("routed-23") != std::string::npos; }));

    item("Edit/Select All")->trigger();
    EXPECT_TRUE(workspace->left()->selected().isEmpty()) << "the files are left alone";
    item("Edit/Copy")->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("routed-23"));
    EXPECT_TRUE(workspace->clipboard().isEmpty());
    session->stop();
}

TEST_F(AppMenuTest, AFocusedTerminalEnablesItsEditItemsAndFinds)
{
    testing::EnvironmentOverride shell("SHELL", "/bin/sh");
    auto* window = workspace->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    workspace->left()->focus();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->left()->table(); }));
    EXPECT_TRUE(item("Edit/Copy")->isEnabled()) << "the files can be copied";
    EXPECT_FALSE(item("Edit/Find\u2026")->isEnabled()) << "only a terminal is searched";

    workspace->rightContent()->open(folder().toStdString());
    TerminalSession* session = workspace->rightContent()->current();
    ASSERT_TRUE(eventually([this] { return workspace->focusedTerminal() != nullptr; }));
    zentrova::TerminalView* terminal = workspace->focusedTerminal();
    QGuiApplication::clipboard()->setText("echo marker-$((1+1))\r");
    item("Edit/Paste")->trigger();
    ASSERT_TRUE(eventually([session] { return testing::screenText(*session->terminal()).find("marker-2") != std::string::npos; }));
    // The next prompt: output clears a selection.
    QTest::qWait(300);
    EXPECT_FALSE(item("Edit/Copy")->isEnabled()) << "nothing selected";
    EXPECT_TRUE(item("Edit/Paste")->isEnabled());
    EXPECT_TRUE(item("Edit/Find\u2026")->isEnabled());
    EXPECT_TRUE(item("Edit/Find Next")->isEnabled());
    EXPECT_FALSE(item("Edit/Use Selection for Find")->isEnabled());
    item("Edit/Select All")->trigger();
    EXPECT_TRUE(item("Edit/Copy")->isEnabled()) << "the terminal told the menu about its selection";
    EXPECT_TRUE(item("Edit/Use Selection for Find")->isEnabled());

    QGuiApplication::clipboard()->setText("marker-2");
    item("Edit/Find\u2026")->trigger();
    ASSERT_NE(terminal->findBar(), nullptr);
    QLineEdit* field = terminal->findBar()->searchField();
    ASSERT_TRUE(eventually([field] { return QApplication::focusWidget() == field; }));
    item("Edit/Paste")->trigger();
    EXPECT_EQ(field->text(), "marker-2") << "the bar's field takes a paste, not the shell";
    item("Edit/Find Next")->trigger();
    ASSERT_TRUE(terminal->selection()->active());
    EXPECT_EQ(QString::fromStdString(terminal->selection()->getSelectedText()), "marker-2");
    session->stop();
}

TEST_F(AppMenuTest, UndoAndCutFollowWhatTheFocusedFieldOffers)
{
    auto* window = workspace->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    QLineEdit* field = workspace->filter();
    field->clear();
    field->setFocus();
    ASSERT_TRUE(eventually([field] { return QApplication::focusWidget() == field; }));
    emit menu("Edit")->aboutToShow();
    EXPECT_FALSE(item("Edit/Undo")->isEnabled()) << "nothing typed yet";
    EXPECT_FALSE(item("Edit/Cut")->isEnabled()) << "nothing selected";

    QTest::keyClicks(field, "abc");
    field->selectAll();
    emit menu("Edit")->aboutToShow();
    EXPECT_TRUE(item("Edit/Undo")->isEnabled());
    EXPECT_TRUE(item("Edit/Cut")->isEnabled());
    item("Edit/Cut")->trigger();
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
    item("Edit/Undo")->trigger();
    EXPECT_EQ(field->text(), "abc");
}

} // namespace
} // namespace bramblet
