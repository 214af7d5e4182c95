#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Workspace/AlertDialog.h"
#include "Bramblet/Workspace/OperationsWindow.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace bramblet {
namespace {

// Generous: waits end as soon as their condition holds, but a sanitizer build on a small, busy
// machine can take many seconds to run a hundred verified requests.
constexpr int idleTimeoutMs = 120000;


using Status = ActivityRecord::Status;

// Two folders to copy between, a settings store of its own, and dialogs the test answers.
class WorkspaceQueueTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("one"));
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("two"));
    }

    std::filesystem::path path(const QString& relative) const
    {
        return m_folders.filePath(relative).toStdString();
    }

    void write(const QString& relative, const QByteArray& contents) const
    {
        QFile file(m_folders.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QByteArray contents(const std::filesystem::path& file) const
    {
        QFile reader(QString::fromStdString(file.string()));
        return reader.open(QIODevice::ReadOnly) ? reader.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<WorkspaceController> make(bool transient = false)
    {
        return std::make_unique<WorkspaceController>(m_folders.filePath("one"), m_folders.filePath("two"), transient,
                                                     defaults(), dialogs);
    }

    FileRequest copy(const QString& name) const
    {
        return { FileAction::copy, path("one/" + name), path("two/" + name), ConflictPolicy::ask };
    }

    static bool waitIdle(const WorkspaceController& workspace)
    {
        return QTest::qWaitFor([&workspace] { return !workspace.processing(); }, idleTimeoutMs);
    }

    bool waitForDialog(qsizetype count)
    {
        return QTest::qWaitFor([this, count] { return dialogs.presented.size() >= count; }, idleTimeoutMs);
    }

    static QString text(const std::filesystem::path& file) { return QString::fromStdString(file.string()); }

    testing::FakeDialogs dialogs;

private:
    QTemporaryDir m_folders;
};

TEST_F(WorkspaceQueueTest, EnqueuedRequestsWaitThenRunInOrder)
{
    write("one/a.txt", "alpha");
    write("one/b.txt", "beta");
    const auto workspace = make();
    workspace->enqueue({ copy("a.txt"), copy("b.txt") });
    ASSERT_EQ(workspace->records().size(), 2);
    EXPECT_TRUE(workspace->processing());
    for (const auto& record : workspace->records()) {
        EXPECT_EQ(record.status, Status::queued);
        EXPECT_EQ(record.message, "Waiting");
        EXPECT_EQ(record.action(), FileAction::copy);
    }
    EXPECT_EQ(workspace->records()[0].source(), text(path("one/a.txt")));
    EXPECT_EQ(workspace->records()[0].destination(), text(path("two/a.txt")));

    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_EQ(workspace->records()[0].status, Status::completed);
    EXPECT_EQ(workspace->records()[0].message, text(path("two/a.txt")));
    EXPECT_EQ(workspace->records()[1].status, Status::completed);
    EXPECT_EQ(contents(path("two/b.txt")), "beta");
    EXPECT_EQ(workspace->operationsButton()->text(), "Operations \u00b7 2");
    EXPECT_TRUE(dialogs.presented.isEmpty());
}

// A copy of two items whose first one exists in the destination, answered with each button.
TEST_F(WorkspaceQueueTest, ConflictAnswersDecideTheFirstItemAndCancelStopsTheRest)
{
    struct Case {
        const char* name;
        int button;
        Status first;
        QString firstMessage; // empty: the path of the copy, checked below
        QByteArray existing;  // what the destination holds afterwards
        Status second;
        QString secondMessage;
    };
    const Case cases[] = {
        { "keep both", 0, Status::completed, {}, "old", Status::completed, {} },
        { "skip", 1, Status::skipped, {}, "old", Status::completed, {} },
        { "replace", 2, Status::completed, {}, "alpha", Status::completed, {} },
        { "cancel operation", 3, Status::cancelled, "Cancelled without changing this item", "old", Status::cancelled,
          "Cancelled by user" },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        QDir(QString::fromStdString(path("two").string())).removeRecursively();
        QDir().mkpath(QString::fromStdString(path("two").string()));
        write("one/a.txt", "alpha");
        write("one/b.txt", "beta");
        write("two/a.txt", "old");
        dialogs.presented.clear();
        const auto workspace = make(true);
        workspace->enqueue({ copy("a.txt"), copy("b.txt") });

        ASSERT_TRUE(waitForDialog(1));
        const auto& asked = dialogs.presented.last().request;
        EXPECT_EQ(asked.message, "An item named \u201ca.txt\u201d already exists.");
        EXPECT_EQ(asked.informativeText,
                  "Source: " + text(path("one/a.txt")) + "\nDestination: " + text(path("two/a.txt")) +
                      "\n\nReplace moves the existing destination to Trash after the new copy is verified.");
        EXPECT_EQ(asked.buttons,
                  QStringList({ "Keep Both (_02)", "Skip", "Replace", "Cancel Operation" }));
        EXPECT_EQ(workspace->records()[0].status, Status::running);
        EXPECT_EQ(workspace->records()[0].message, "Processing; cancellation stops pending items");
        EXPECT_EQ(workspace->records()[1].status, Status::queued);
        EXPECT_EQ(workspace->operationsButton()->text(), "Operations \u00b7 running");
        dialogs.answer(test.button);
        ASSERT_TRUE(waitIdle(*workspace));

        const auto& first = workspace->records()[0];
        const auto& second = workspace->records()[1];
        EXPECT_EQ(first.status, test.first);
        EXPECT_EQ(second.status, test.second);
        EXPECT_EQ(contents(path("two/a.txt")), test.existing);
        if (test.button == 0) {
            EXPECT_NE(first.message, text(path("two/a.txt")));
            EXPECT_EQ(contents(first.message.toStdString()), "alpha");
        } else if (test.firstMessage.isEmpty()) {
            EXPECT_EQ(first.message, text(path("two/a.txt")));
        } else {
            EXPECT_EQ(first.message, test.firstMessage);
        }
        if (test.secondMessage.isEmpty())
            EXPECT_EQ(contents(path("two/b.txt")), "beta");
        else {
            EXPECT_EQ(second.message, test.secondMessage);
            EXPECT_FALSE(std::filesystem::exists(path("two/b.txt")));
        }
        EXPECT_EQ(dialogs.presented.size(), 1);
    }
}

TEST_F(WorkspaceQueueTest, AFailedRequestKeepsTheSystemsMessageAndLaterOnesStillRun)
{
    write("one/a.txt", "alpha");
    write("two/plain", "not a folder");
    const auto workspace = make(true);
    workspace->enqueue({ { FileAction::copy, path("one/a.txt"), path("two/plain/a.txt"), ConflictPolicy::ask },
                         copy("a.txt") });
    ASSERT_TRUE(waitIdle(*workspace));
    const auto& failed = workspace->records()[0];
    EXPECT_EQ(failed.status, Status::failed);
    EXPECT_TRUE(failed.message.contains(QString::fromUtf8(std::strerror(ENOTDIR)))) << failed.message.toStdString();
    EXPECT_EQ(workspace->records()[1].status, Status::completed);
    EXPECT_EQ(contents(path("two/a.txt")), "alpha");
    // Shown once the queue has stopped, not only counted.
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.informativeText, "Copy \u201ca.txt\u201d failed: " + failed.message);
}

TEST_F(WorkspaceQueueTest, SeveralFailuresMakeOneAlert)
{
    const auto workspace = make(true);
    workspace->enqueue({ copy("gone-1"), copy("gone-2"), copy("gone-3") });
    ASSERT_TRUE(waitIdle(*workspace));
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Bramblet couldn\u2019t complete that action");
    EXPECT_EQ(dialogs.presented[0].request.informativeText,
              "3 operations failed. Show Operations lists each one with its reason.");
    // A later run that succeeds shows nothing more.
    write("one/a.txt", "alpha");
    workspace->enqueue({ copy("a.txt") });
    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_EQ(dialogs.presented.size(), 1);
}

TEST_F(WorkspaceQueueTest, KeepBothOnTheLongestNameAsksInAnAlertThatFitsTheScreenAndSaysWhyItFailed)
{
    const QString name = QString(251, u'n') + ".txt"; // 255 bytes
    write("one/" + name, "new");
    write("two/" + name, "old");
    const auto workspace = make(true);
    workspace->enqueue({ copy(name) });
    ASSERT_TRUE(waitForDialog(1));
    const DialogRequest conflict = dialogs.presented.last().request;
    EXPECT_LT(conflict.message.size(), 100);
    EXPECT_TRUE(conflict.message.contains(u'\u2026'));
    EXPECT_TRUE(conflict.informativeText.contains(text(path("two/" + name))));

    AlertDialog alert(conflict, workspace->window());
    alert.show();
    const QRect screen = alert.screen()->availableGeometry();
    EXPECT_LE(alert.frameGeometry().width(), screen.width());
    EXPECT_LE(alert.frameGeometry().height(), screen.height());
    for (auto* button : alert.findChildren<QPushButton*>())
        EXPECT_TRUE(alert.rect().contains(button->geometry())) << button->text().toStdString();
    alert.close();

    dialogs.answer(0);
    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_EQ(workspace->records()[0].status, Status::failed);
    EXPECT_EQ(workspace->records()[0].message,
              "The numbered name for Keep Both is longer than this file system allows. Rename the item, or choose "
              "Replace or Skip.");
    ASSERT_EQ(dialogs.presented.size(), 2);
    EXPECT_TRUE(dialogs.presented[1].request.informativeText.endsWith(workspace->records()[0].message));
    EXPECT_EQ(contents(path("two/" + name)), "old");
}

TEST_F(WorkspaceQueueTest, ANewFolderWhoseNameExistsFailsWithoutAsking)
{
    const auto workspace = make(true);
    workspace->enqueue({ { FileAction::createFolder, {}, path("two"), ConflictPolicy::ask } });
    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_EQ(workspace->records()[0].status, Status::failed);
    EXPECT_EQ(workspace->records()[0].message, "An item with this name already exists. Choose another name.");
    // No conflict sheet: only the failure, named by the folder it would have made.
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.informativeText,
              "New Folder \u201ctwo\u201d failed: An item with this name already exists. Choose another name.");
}

TEST_F(WorkspaceQueueTest, ClosingIsRefusedWhileARequestRuns)
{
    write("one/a.txt", "alpha");
    write("two/a.txt", "old");
    const auto workspace = make(true);
    workspace->enqueue({ copy("a.txt") });
    ASSERT_TRUE(waitForDialog(1)); // the request now waits for an answer
    EXPECT_TRUE(workspace->processing());
    EXPECT_FALSE(workspace->windowShouldClose());
    EXPECT_EQ(dialogs.presented.last().request.informativeText,
              "An operation is running. Cancel pending items and let the current item finish before closing.");
    dialogs.presented[0].completion({ 1, {}, 0, {} });
    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_TRUE(workspace->windowShouldClose());
}

TEST_F(WorkspaceQueueTest, CancelPendingLeavesTheRunningItemToFinish)
{
    write("one/a.txt", "alpha");
    write("two/a.txt", "old");
    write("one/b.txt", "beta");
    write("one/c.txt", "gamma");
    const auto workspace = make(true);
    workspace->enqueue({ copy("a.txt") });
    ASSERT_TRUE(waitForDialog(1));
    workspace->enqueue({ copy("b.txt"), copy("c.txt") }); // picked up by the running task
    workspace->cancelOperations();
    dialogs.answer(2);
    ASSERT_TRUE(waitIdle(*workspace));
    const auto& records = workspace->records();
    EXPECT_EQ(records[0].status, Status::completed);
    for (int index : { 1, 2 }) {
        EXPECT_EQ(records[index].status, Status::cancelled);
        EXPECT_EQ(records[index].message, "Cancelled before starting. Running item is allowed to finish safely.");
    }
    EXPECT_FALSE(std::filesystem::exists(path("two/b.txt")));
    EXPECT_EQ(workspace->operationsButton()->text(), "Operations \u00b7 3");
}

TEST_F(WorkspaceQueueTest, RetryAddsANewRecordAndLeavesTheOldOne)
{
    const auto workspace = make(true);
    workspace->enqueue({ copy("missing.txt") });
    ASSERT_TRUE(waitIdle(*workspace));
    const auto failed = workspace->records()[0];
    ASSERT_EQ(failed.status, Status::failed);
    write("one/missing.txt", "found");

    workspace->showOperations();
    auto* retry = workspace->activityWindow()->findChild<QPushButton*>(failed.id().toString(QUuid::WithoutBraces));
    ASSERT_NE(retry, nullptr);
    retry->click();
    ASSERT_TRUE(waitIdle(*workspace));
    ASSERT_EQ(workspace->records().size(), 2);
    EXPECT_EQ(workspace->records()[0], failed);
    EXPECT_EQ(workspace->records()[1].status, Status::completed);
    EXPECT_EQ(contents(path("two/missing.txt")), "found");
    workspace->retryOperation(QStringLiteral("no-such-record"));
    EXPECT_EQ(workspace->records().size(), 2);
}

TEST_F(WorkspaceQueueTest, TheLogIsStoredNewestHundredAndRestoredAfterARestart)
{
    const auto workspace = make();
    QList<FileRequest> requests;
    for (int index = 0; index < 101; ++index)
        requests.append({ FileAction::createFolder, {}, path(QStringLiteral("two/n%1").arg(index)), ConflictPolicy::ask });
    workspace->enqueue(requests);
    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_EQ(workspace->operationsButton()->text(), "Operations \u00b7 101");

    const auto stored = decodeList<ActivityRecord>(*defaults().data(WorkspaceDefaults::activitiesKey));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, workspace->records().mid(1));
    EXPECT_EQ(stored->last().status, Status::completed);

    workspace->showOperations();
    const auto* window = workspace->activityWindow();
    EXPECT_EQ(window->windowTitle(), "Operations");
    EXPECT_EQ(window->activityStack()->boxLayout()->count(), OperationsWindow::shownRecords);

    const auto again = make();
    EXPECT_EQ(again->records(), *stored);
    EXPECT_EQ(again->operationsButton()->text(), "Operations \u00b7 100");
}

TEST_F(WorkspaceQueueTest, ATransientWorkspaceShowsButNeverStoresItsLog)
{
    const auto workspace = make(true);
    workspace->showOperations();
    auto* stack = workspace->activityWindow()->activityStack();
    ASSERT_EQ(stack->boxLayout()->count(), 1);
    workspace->enqueue({ { FileAction::createFolder, {}, path("two/new"), ConflictPolicy::ask } });
    ASSERT_TRUE(waitIdle(*workspace));
    EXPECT_TRUE(std::filesystem::is_directory(path("two/new")));
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::activitiesKey).has_value());
    EXPECT_EQ(stack->boxLayout()->count(), 1); // one record's row instead of the empty note
}

} // namespace
} // namespace bramblet
