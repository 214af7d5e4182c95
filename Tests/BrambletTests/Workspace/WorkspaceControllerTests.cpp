#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/ActivatableStack.h"
#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceSplitter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Bramblet/Theme/Theme.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QJsonArray>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace bramblet {
namespace {

class WorkspaceControllerTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("one/inner"));
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("two"));
    }

    QString folder(const QString& name) const { return m_folders.filePath(name); }

    std::unique_ptr<WorkspaceController> make(bool transient = false)
    {
        return std::make_unique<WorkspaceController>(folder("one"), folder("two"), transient, defaults(), dialogs);
    }

    SavedState savedState(int active = 1) const
    {
        SavedState state;
        state.left = { tab(folder("two")), tab(folder("one/inner")) };
        state.right = { tab(folder("one")) };
        state.leftIndex = 5;
        state.favorites = { folder("one"), QDir::homePath() };
        state.widths = { 240, 500, 500, 300 };
        state.active = active;
        return state;
    }

    testing::FakeDialogs dialogs;

private:
    QTemporaryDir m_folders;
};

TEST_F(WorkspaceControllerTest, StartsAtTheGivenFoldersWithTheLeftSideActive)
{
    const auto workspace = make();
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one"));
    EXPECT_EQ(workspace->right()->activeTab().path, folder("two"));
    EXPECT_EQ(workspace->activeIndex(), 0);
    EXPECT_EQ(workspace->leftContent()->files(), workspace->left());
    EXPECT_TRUE(workspace->left()->canExplore);
    EXPECT_FALSE(workspace->right()->canExplore);
    EXPECT_EQ(workspace->leftContent()->activeRule()->color(), Theme::amber());
    EXPECT_EQ(workspace->rightContent()->activeRule()->color(), Theme::border());
    EXPECT_EQ(workspace->window()->windowTitle(), "Bramblet");
    EXPECT_EQ(workspace->split()->count(), 4);
    EXPECT_EQ(workspace->selectionButtons().size(), 4);
    EXPECT_EQ(workspace->toolbarButton("toggleHidden")->toolTip(), "Show hidden files");
}

TEST_F(WorkspaceControllerTest, RestoresTheSavedWindowOverTheCommandLineFolders)
{
    store(WorkspaceDefaults::workspaceKey, savedState().toJson());
    const auto workspace = make();
    EXPECT_EQ(workspace->left()->tabs().size(), 2);
    EXPECT_EQ(workspace->left()->activeTabIndex(), 1);
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one/inner"));
    EXPECT_EQ(workspace->right()->activeTab().path, folder("one"));
    EXPECT_EQ(workspace->activeIndex(), 1);
    EXPECT_EQ(workspace->rightContent()->activeRule()->color(), Theme::amber());
    EXPECT_EQ(workspace->favorites(), QStringList { folder("one") }) << "the home folder is a built-in place";
    EXPECT_EQ(workspace->restoredWidths(), QList<double>({ 240, 500, 500, 300 }));
}

TEST_F(WorkspaceControllerTest, TransientWorkspaceReadsAndWritesNothing)
{
    store(WorkspaceDefaults::workspaceKey, savedState().toJson());
    const auto before = defaults().data(WorkspaceDefaults::workspaceKey);
    const auto workspace = make(true);
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one"));
    EXPECT_TRUE(workspace->favorites().isEmpty());

    QSignalSpy refreshed(workspace.get(), &WorkspaceController::refreshed);
    workspace->activatePane(1);
    ASSERT_TRUE(refreshed.wait(2000));
    workspace->save();
    workspace->window()->close();
    EXPECT_EQ(defaults().data(WorkspaceDefaults::workspaceKey), before);
}

TEST_F(WorkspaceControllerTest, ABurstOfChangesMakesOneRefreshThatSaves)
{
    const auto workspace = make();
    QSignalSpy refreshed(workspace.get(), &WorkspaceController::refreshed);
    ASSERT_TRUE(refreshed.wait(2000)) << "construction schedules the first refresh";
    refreshed.clear();
    QCoreApplication::processEvents();
    refreshed.clear();

    for (int count = 0; count < 10; ++count)
        workspace->left()->changed();
    EXPECT_EQ(refreshed.size(), 0) << "the refresh waits for the next turn of the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshed.size(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshed.size(), 1);

    const auto saved = SavedState::fromJson(
        QJsonDocument::fromJson(*defaults().data(WorkspaceDefaults::workspaceKey)).object());
    EXPECT_EQ(saved.left.first().path, folder("one"));
    EXPECT_EQ(saved.widths.size(), 4);
    EXPECT_EQ(workspace->statusLabel()->fullText(), folder("one") + "  \u00b7  0 selected");
    for (int index = 0; index < 3; ++index)
        EXPECT_FALSE(workspace->selectionButtons()[index]->isEnabled()) << "nothing is selected";
    EXPECT_TRUE(workspace->selectionButtons()[3]->isEnabled());
    EXPECT_EQ(workspace->selectionButtons()[3]->text(), "Stack");
}

TEST_F(WorkspaceControllerTest, ActivatingASideMovesTheRuleAndTheFilterText)
{
    const auto workspace = make();
    workspace->right()->setFilter("*.txt");
    workspace->rightContent()->activated();
    EXPECT_EQ(workspace->activeIndex(), 1);
    EXPECT_EQ(workspace->rightContent()->activeRule()->color(), Theme::amber());
    EXPECT_EQ(workspace->leftContent()->activeRule()->color(), Theme::border());
    EXPECT_EQ(workspace->filter()->text(), "*.txt");

    workspace->left()->activated();
    EXPECT_EQ(workspace->activeIndex(), 0);
    EXPECT_EQ(workspace->filter()->text(), "");

    // A click on a side's header makes that side active too.
    workspace->window()->show();
    QTest::mouseClick(workspace->rightContent()->header(), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(workspace->activeIndex(), 1);
    workspace->leftContent()->activated();

    QTest::keyClicks(workspace->filter(), "ab");
    EXPECT_EQ(workspace->left()->activeTab().filter, "ab") << "typing goes to the active pane";
    EXPECT_EQ(workspace->right()->activeTab().filter, "*.txt");
}

TEST_F(WorkspaceControllerTest, DividersFollowFourRestoredWidthsOnly)
{
    struct Case {
        const char* name;
        QList<double> widths;
        int sidebar, inspector;
    };
    const Case cases[] = {
        { "four widths", { 240, 500, 500, 300 }, 240, 300 },
        { "three widths", { 240, 500, 300 }, 208, 288 },
        { "five widths", { 240, 500, 500, 300, 1 }, 208, 288 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto state = savedState(0);
        state.widths = c.widths;
        store(WorkspaceDefaults::workspaceKey, state.toJson());
        const auto workspace = make();
        workspace->window()->resize(1440, 900);
        const auto sizes = workspace->split()->sizes();
        EXPECT_EQ(sizes[0], c.sidebar);
        EXPECT_EQ(sizes[3], c.inspector);
        EXPECT_LE(std::abs(sizes[1] - sizes[2]), 1) << "the sides share their width";
    }
}

TEST_F(WorkspaceControllerTest, ANarrowWindowCollapsesTheInspector)
{
    const auto workspace = make();
    workspace->window()->show();
    workspace->window()->resize(1100, 800);
    EXPECT_TRUE(workspace->split()->isCollapsed(3));
    EXPECT_FALSE(workspace->split()->isCollapsed(0));
    workspace->window()->resize(1300, 800);
    EXPECT_FALSE(workspace->split()->isCollapsed(3));
}

TEST_F(WorkspaceControllerTest, ClosingIsRefusedWhileARequestRunsAndSavesOtherwise)
{
    const auto workspace = make();
    QSignalSpy closed(workspace.get(), &WorkspaceController::closed);
    workspace->window()->show();
    workspace->setProcessing(true);
    EXPECT_FALSE(workspace->window()->close());
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Bramblet couldn\u2019t complete that action");
    EXPECT_EQ(dialogs.presented[0].request.informativeText,
              "An operation is running. Cancel pending items and let the current item finish before closing.");
    EXPECT_EQ(closed.size(), 0);
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::workspaceKey)) << "refused before any refresh ran";

    workspace->setProcessing(false);
    EXPECT_TRUE(workspace->window()->close());
    EXPECT_EQ(closed.size(), 1);
    EXPECT_TRUE(defaults().data(WorkspaceDefaults::workspaceKey));
}

TEST_F(WorkspaceControllerTest, TextPromptValidatesNamesExceptForGoToFolder)
{
    const auto workspace = make();
    QStringList received;
    const auto collect = [&](const QString& text) { received.append(text); };
    struct Case {
        const char* title;
        const char* typed;
        int button;
        bool completes;
        bool showsError;
    };
    const Case cases[] = {
        { "New Folder", "Photos", 0, true, false },
        { "New Folder", "a/b", 0, false, true },
        { "New Folder", "..", 0, false, true },
        { "New Folder", "Photos", 1, false, false },
        { "Go to Folder", "~/Documents/x", 0, true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " " + c.typed);
        received.clear();
        dialogs.presented.clear();
        workspace->askText(c.title, "Enter a name.", "initial", collect);
        ASSERT_EQ(dialogs.presented.size(), 1);
        const auto& request = dialogs.presented[0].request;
        EXPECT_EQ(request.buttons, QStringList({ "Continue", "Cancel" }));
        EXPECT_EQ(request.text, "initial");
        EXPECT_EQ(request.accessoryName, c.title);
        EXPECT_EQ(dialogs.presented[0].window, workspace->window());
        dialogs.answer(c.button, c.typed);
        EXPECT_EQ(received, c.completes ? QStringList { c.typed } : QStringList {});
        EXPECT_EQ(dialogs.presented.size(), c.showsError ? 2 : 1);
    }
}

TEST_F(WorkspaceControllerTest, PickerReportsTheEntryAndWhichButton)
{
    const auto workspace = make();
    QList<std::pair<int, bool>> picks;
    const auto collect = [&](int index, bool secondary) { picks.append({ index, secondary }); };

    workspace->presentPicker("Load Workspace", {}, "Load", std::nullopt, collect);
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "an empty list asks nothing";

    workspace->presentPicker("Load Workspace", { "a", "b" }, "Load", QString("Delete"), collect);
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.buttons, QStringList({ "Load", "Delete", "Cancel" }));
    EXPECT_EQ(dialogs.presented[0].request.items, QStringList({ "a", "b" }));
    dialogs.answer(0, {}, 1);
    dialogs.answer(1, {}, 0);
    dialogs.answer(2, {}, 1);

    workspace->presentPicker("Run Saved Sync", { "x" }, "Run", std::nullopt, collect);
    EXPECT_EQ(dialogs.presented.last().request.buttons, QStringList({ "Run", "Cancel" }));
    dialogs.answer(1, {}, 0);
    EXPECT_EQ(picks, (QList<std::pair<int, bool>> { { 1, false }, { 0, true } }));
}

TEST_F(WorkspaceControllerTest, SavedListsKeepAnUnreadableValueAsideAndNothingWhenTransient)
{
    defaults().setData(WorkspaceDefaults::workspacesKey, "[{\"name\":");
    defaults().setData(WorkspaceDefaults::syncConfigsKey, "[{\"name\":1}]");
    {
        const auto transient = make(true);
        transient->saveWorkspaces();
        transient->saveSyncConfigs();
        EXPECT_FALSE(defaults().data(WorkspaceDefaults::unreadableKey(WorkspaceDefaults::workspacesKey)));
    }
    const auto workspace = make();
    EXPECT_TRUE(workspace->workspaces().isEmpty());
    workspace->saveWorkspaces();
    workspace->saveSyncConfigs();
    EXPECT_EQ(defaults().data(WorkspaceDefaults::workspacesKey), "[]");
    EXPECT_EQ(defaults().data(WorkspaceDefaults::unreadableKey(WorkspaceDefaults::workspacesKey)), "[{\"name\":");
    EXPECT_EQ(defaults().data(WorkspaceDefaults::unreadableKey(WorkspaceDefaults::syncConfigsKey)), "[{\"name\":1}]");
}

// One broken key at a time among four readable ones: the broken key restores nothing, every other
// key restores in full, and the first write of each key keeps the broken value aside.
TEST_F(WorkspaceControllerTest, ABrokenSavedValueLosesOnlyItsKeyAndIsKeptAside)
{
    const ActivityRecord record(FileAction::copy, "/s", "/d");
    const QByteArray oneRecord = encodeList(QList<ActivityRecord> { record });
    // JSON text of `object` with one value changed; in an array for the activity log.
    const auto changed = [](QJsonObject object, const char* name, const QJsonValue& value, bool inArray) {
        object[name] = value;
        return inArray ? QJsonDocument(QJsonArray { object }).toJson(QJsonDocument::Compact)
                       : QJsonDocument(object).toJson(QJsonDocument::Compact);
    };
    struct Case {
        const char* name;
        QString key;
        QByteArray broken;
    };
    const Case cases[] = {
        { "window state cut short", WorkspaceDefaults::workspaceKey, "{\"left\":" },
        { "window state with a favourite that is no text", WorkspaceDefaults::workspaceKey,
          changed(savedState().toJson(), "favorites", QJsonArray { 1 }, false) },
        { "saved workspace without its tabs", WorkspaceDefaults::workspacesKey, "[{\"name\":\"only a name\"}]" },
        { "sync configurations cut short", WorkspaceDefaults::syncConfigsKey, "[{\"name\":\"a\",\"sou" },
        { "activity of 1690", WorkspaceDefaults::activitiesKey, changed(record.toJson(), "date", -9814211000.0, true) },
        { "activity with a status of no case", WorkspaceDefaults::activitiesKey,
          changed(record.toJson(), "status", "done", true) },
    };
    const QList<SavedWorkspace> workspaces { { "One", { tab(folder("one")) }, { tab(folder("two")) }, 0, 0, 1 } };
    const QList<SyncConfig> configs { { "pair", folder("one"), folder("two") } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkspaceDefaults store(fileIn(QString::fromUtf8(c.name) + ".ini"));
        store.setData(WorkspaceDefaults::workspaceKey, QJsonDocument(savedState().toJson()).toJson(QJsonDocument::Compact));
        store.setData(WorkspaceDefaults::workspacesKey, encodeList(workspaces));
        store.setData(WorkspaceDefaults::syncConfigsKey, encodeList(configs));
        store.setData(WorkspaceDefaults::activitiesKey, oneRecord);
        store.setData(c.key, c.broken);

        const auto workspace =
            std::make_unique<WorkspaceController>(folder("one"), folder("two"), false, store, dialogs);
        EXPECT_EQ(workspace->favorites(),
                  c.key == WorkspaceDefaults::workspaceKey ? QStringList() : QStringList { folder("one") });
        EXPECT_EQ(workspace->left()->tabs().size(), c.key == WorkspaceDefaults::workspaceKey ? 1 : 2);
        EXPECT_EQ(workspace->workspaces(), c.key == WorkspaceDefaults::workspacesKey ? QList<SavedWorkspace>() : workspaces);
        EXPECT_EQ(workspace->syncConfigs(), c.key == WorkspaceDefaults::syncConfigsKey ? QList<SyncConfig>() : configs);
        EXPECT_EQ(workspace->records().size(), c.key == WorkspaceDefaults::activitiesKey ? 0 : 1);

        workspace->save();
        workspace->saveWorkspaces();
        workspace->saveSyncConfigs();
        workspace->cancelOperations(); // writes the log
        for (const QString& key : { WorkspaceDefaults::workspaceKey, WorkspaceDefaults::workspacesKey,
                                    WorkspaceDefaults::syncConfigsKey, WorkspaceDefaults::activitiesKey }) {
            const auto aside = store.data(WorkspaceDefaults::unreadableKey(key));
            if (key == c.key)
                EXPECT_EQ(aside, c.broken) << key.toStdString();
            else
                EXPECT_FALSE(aside) << key.toStdString();
        }
        EXPECT_NE(store.data(c.key), c.broken) << "written anew";
    }
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "a broken value is no error to show";
}

// The store cannot be written (a folder where the settings file should be): the user hears it
// once, in the window, however often the state is saved.
TEST_F(WorkspaceControllerTest, AStateThatCannotBeWrittenIsToldOnce)
{
    ASSERT_TRUE(QDir().mkpath(fileIn("folder.ini")));
    WorkspaceDefaults store(fileIn("folder.ini"));
    const auto workspace = std::make_unique<WorkspaceController>(folder("one"), folder("two"), false, store, dialogs);
    for (int save = 0; save < 3; ++save) {
        workspace->save();
        QTest::qWait(20);
    }
    workspace->saveSyncConfigs();
    QTest::qWait(20);
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Bramblet couldn\u2019t complete that action");
    EXPECT_TRUE(dialogs.presented[0].request.informativeText.contains(fileIn("folder.ini")));
    EXPECT_EQ(dialogs.presented[0].window, workspace->window());
}

} // namespace
} // namespace bramblet
