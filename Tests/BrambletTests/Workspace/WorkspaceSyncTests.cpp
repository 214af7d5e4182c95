#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/SyncPlanProgress.h"
#include "BrambletCore/Models/FileItem.h"
#include "Pane/PaneTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

namespace bramblet {
namespace {

using testing::eventually;

// Two folders to sync between, a settings store of its own, and dialogs the test answers.
class WorkspaceSyncTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("src"));
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("dst"));
    }

    QString folder(const QString& relative) const { return m_folders.filePath(relative); }

    void write(const QString& relative, const QByteArray& contents) const
    {
        const QString path = folder(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QByteArray contents(const QString& relative) const
    {
        QFile reader(folder(relative));
        return reader.open(QIODevice::ReadOnly) ? reader.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<WorkspaceController> make(const QString& left = "src", const QString& right = "dst",
                                              bool transient = false)
    {
        return std::make_unique<WorkspaceController>(folder(left), folder(right), transient, defaults(), dialogs);
    }

    bool waitForDialogs(qsizetype count)
    {
        return eventually([this, count] { return dialogs.presented.size() >= count; });
    }

    const DialogRequest& lastRequest() const { return dialogs.presented.last().request; }

    testing::FakeDialogs dialogs;

private:
    QTemporaryDir m_folders;
};

TEST_F(WorkspaceSyncTest, StartSyncCopiesAdditionsAndChangesAndKeepsWhatOnlyTheDestinationHolds)
{
    write("src/a.txt", "A");
    write("src/docs/changed.txt", "new text");
    write("src/sub/x", "x");
    write("src/photos", "a file where the destination has a folder");
    write("dst/docs/changed.txt", "old");
    write("dst/docs/mine.txt", "keep");
    write("dst/extra.txt", "keep");
    write("dst/photos/mine.jpg", "keep");

    const auto workspace = make();
    workspace->compareAndSync();
    ASSERT_TRUE(waitForDialogs(1));
    EXPECT_EQ(lastRequest().message, "Review Sync Plan");
    EXPECT_EQ(lastRequest().buttons, QStringList({ "Start Sync", "Cancel" }));
    EXPECT_EQ(lastRequest().informativeText.toStdString(),
              "2 additions, 2 changes, 3 destination-only items.\n\n"
              "Added: a.txt\nChanged: docs/changed.txt\nChanged: photos (skipped)\nAdded: sub\n\n"
              "Skipped, because a file would replace a folder and everything in it:\nphotos\n\n"
              "Only additions and changes will be copied. Destination-only items will not be deleted.");
    EXPECT_TRUE(workspace->records().isEmpty()) << "nothing is queued before Start Sync";

    dialogs.answer(0);
    ASSERT_EQ(workspace->records().size(), 3);
    EXPECT_EQ(workspace->records()[0].source(), folder("src/sub")) << "folders first";
    ASSERT_TRUE(eventually([&workspace] { return !workspace->processing(); }));
    EXPECT_EQ(contents("dst/a.txt"), "A");
    EXPECT_EQ(contents("dst/docs/changed.txt"), "new text");
    EXPECT_EQ(contents("dst/sub/x"), "x");
    for (const char* kept : { "dst/docs/mine.txt", "dst/extra.txt", "dst/photos/mine.jpg" }) {
        SCOPED_TRACE(kept);
        EXPECT_EQ(contents(kept), "keep");
    }
    EXPECT_EQ(dialogs.presented.size(), 1) << "no failure to report";
}

TEST_F(WorkspaceSyncTest, CancelAndPlanningErrorsQueueNothing)
{
    write("src/a.txt", "A");
    write("dst/a.txt", "AA");
    write("dst/b.txt", "B");
    const auto workspace = make();
    // A change; Cancel leaves it.
    workspace->compareAndSync();
    ASSERT_TRUE(waitForDialogs(1));
    dialogs.answer(1);
    EXPECT_TRUE(workspace->records().isEmpty());

    // Transient: a restored window state would replace the folders given here.
    const auto same = make("src", "src", true);
    same->compareAndSync();
    ASSERT_TRUE(waitForDialogs(2));
    EXPECT_EQ(lastRequest().message, "Bramblet couldn\u2019t complete that action");
    EXPECT_EQ(lastRequest().informativeText, "Source and destination refer to the same item.");

    const auto missing = make("src", "gone", true);
    missing->compareAndSync();
    ASSERT_TRUE(waitForDialogs(3));
    EXPECT_TRUE(lastRequest().informativeText.contains("No such file or directory"))
        << lastRequest().informativeText.toStdString();
}

TEST_F(WorkspaceSyncTest, AWaitForALongPlanShowsItsCountAndCanBeCancelled)
{
    EXPECT_EQ(SyncPlanProgress::label(1), "Comparing the two folders\u2026 1 item listed.");
    EXPECT_EQ(SyncPlanProgress::label(0), "Comparing the two folders\u2026 0 items listed.");

    for (int index = 0; index < 200; ++index)
        ASSERT_TRUE(QDir(folder("src")).mkpath(QStringLiteral("f%1/inner").arg(index)));
    const auto workspace = make();
    workspace->compareAndSync();
    QPointer<SyncPlanProgress> waiting = workspace->syncProgress();
    ASSERT_TRUE(waiting);
    waiting->showSheet();
    ASSERT_TRUE(waiting->sheet());
    EXPECT_TRUE(waiting->sheet()->isVisible());
    EXPECT_EQ(waiting->sheet()->windowModality(), Qt::WindowModal);
    auto* cancel = waiting->sheet()->findChild<QPushButton*>();
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel->text(), "Cancel");
    cancel->click();
    EXPECT_TRUE(waiting->isCancelled());
    ASSERT_TRUE(eventually([&waiting] { return !waiting; }));
    QTest::qWait(50);
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "a cancelled plan shows neither its review nor an error";
}

TEST_F(WorkspaceSyncTest, SavedSyncConfigurationsRunAndDeleteAndSurviveARestart)
{
    write("src/a.txt", "A");
    {
        const auto workspace = make();
        workspace->runSyncConfig();
        ASSERT_EQ(dialogs.presented.size(), 1);
        EXPECT_EQ(lastRequest().informativeText,
                  "No saved sync configurations yet. Use Save Sync Configuration\u2026 first.");

        workspace->saveSyncConfig();
        EXPECT_EQ(lastRequest().message, "Save Sync Configuration");
        EXPECT_EQ(lastRequest().informativeText,
                  "Name this folder pair.\n" + folder("src") + " \u2192 " + folder("dst"));
        EXPECT_EQ(lastRequest().text, "Sync 1");
        dialogs.answer(0, "bad/name");
        EXPECT_TRUE(workspace->syncConfigs().isEmpty()) << "an invalid name stores nothing";

        workspace->saveSyncConfig();
        dialogs.answer(0, "Nightly");
        workspace->activatePane(1);
        workspace->saveSyncConfig();
        EXPECT_EQ(lastRequest().text, "Sync 2");
        dialogs.answer(0, "Back");
        EXPECT_EQ(workspace->syncConfigs(),
                  QList<SyncConfig>({ { "Nightly", folder("src"), folder("dst") }, { "Back", folder("dst"), folder("src") } }));
    }
    const auto restarted = make();
    ASSERT_EQ(restarted->syncConfigs().size(), 2);
    restarted->runSyncConfig();
    EXPECT_EQ(lastRequest().message, "Run Saved Sync");
    EXPECT_EQ(lastRequest().buttons, QStringList({ "Run", "Delete", "Cancel" }));
    EXPECT_EQ(lastRequest().items,
              QStringList({ "Nightly \u2014 " + folder("src") + " \u2192 " + folder("dst"),
                            "Back \u2014 " + folder("dst") + " \u2192 " + folder("src") }));
    dialogs.answer(1, {}, 1);
    EXPECT_EQ(restarted->syncConfigs().size(), 1);

    const auto count = dialogs.presented.size();
    restarted->runSyncConfig();
    dialogs.answer(0, {}, 0);
    ASSERT_TRUE(waitForDialogs(count + 2));
    EXPECT_EQ(lastRequest().message, "Review Sync Plan");
    EXPECT_TRUE(lastRequest().informativeText.contains("Added: a.txt"));

    EXPECT_EQ(make()->syncConfigs(), QList<SyncConfig>({ { "Nightly", folder("src"), folder("dst") } }))
        << "the deletion was stored at once";
}

TEST_F(WorkspaceSyncTest, SavedWorkspacesLoadBothSidesAndSurviveARestart)
{
    ASSERT_TRUE(QDir(folder("src")).mkpath("deeper"));
    {
        const auto workspace = make();
        workspace->loadWorkspace();
        EXPECT_EQ(lastRequest().informativeText, "No saved workspaces yet. Use Save Workspace\u2026 first.");

        workspace->newTab();
        workspace->left()->navigate(pathFromString(folder("src/deeper")));
        workspace->activatePane(1);
        workspace->saveWorkspace();
        EXPECT_EQ(lastRequest().message, "Save Workspace");
        EXPECT_EQ(lastRequest().informativeText, "Name this layout of tabs and folders.");
        EXPECT_EQ(lastRequest().text, "Workspace 1");
        dialogs.answer(0, "Two tabs");
        ASSERT_EQ(workspace->workspaces().size(), 1);
        const auto& saved = workspace->workspaces()[0];
        EXPECT_EQ(saved.left.size(), 2);
        EXPECT_EQ(saved.leftIndex, 1);
        EXPECT_EQ(saved.active, 1);
    }
    const auto restarted = make();
    ASSERT_EQ(restarted->workspaces().size(), 1);
    // Whatever the window state brought back, the sides now show something else.
    restarted->left()->setTabs({ TabSnapshot(folder("dst"), PaneMode::list) }, 0);
    restarted->right()->setTabs({ TabSnapshot(folder("src"), PaneMode::grid) }, 0);
    restarted->activatePane(0);
    restarted->loadWorkspace();
    EXPECT_EQ(lastRequest().message, "Load Workspace");
    EXPECT_EQ(lastRequest().items, QStringList({ "Two tabs" }));
    EXPECT_EQ(lastRequest().buttons, QStringList({ "Load", "Delete", "Cancel" }));
    dialogs.answer(0);
    EXPECT_EQ(restarted->left()->tabs().size(), 2);
    EXPECT_EQ(restarted->left()->activeTab().path, folder("src/deeper"));
    EXPECT_EQ(restarted->right()->activeTab().path, folder("dst"));
    EXPECT_EQ(restarted->activeIndex(), 1) << "the side that was active when saved";

    restarted->loadWorkspace();
    dialogs.answer(1);
    EXPECT_TRUE(restarted->workspaces().isEmpty());
    EXPECT_TRUE(make()->workspaces().isEmpty()) << "the deletion was stored at once";
}

TEST_F(WorkspaceSyncTest, ATransientWorkspaceStoresNoList)
{
    const auto workspace = make("src", "dst", true);
    workspace->saveSyncConfig();
    dialogs.answer(0, "Pair");
    workspace->saveWorkspace();
    dialogs.answer(0, "Layout");
    EXPECT_EQ(workspace->syncConfigs().size(), 1);
    EXPECT_EQ(workspace->workspaces().size(), 1);
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::syncConfigsKey));
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::workspacesKey));
}

} // namespace
} // namespace bramblet
