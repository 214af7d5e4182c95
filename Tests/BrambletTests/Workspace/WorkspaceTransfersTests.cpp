#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <optional>

namespace bramblet {
namespace {

// Generous: waits end as soon as their condition holds, but a sanitizer build on a small, busy
// machine can take many seconds to run a hundred verified requests.
constexpr int idleTimeoutMs = 120000;


// Two folders on the two sides; the left one holds a few files to select.
class WorkspaceTransfersTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("one"));
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("two"));
        for (const char* name : { "a.txt", "b.txt", "c.txt" }) {
            QFile file(folder("one/") + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(name);
        }
        workspace = std::make_unique<WorkspaceController>(folder("one"), folder("two"), true, defaults(), dialogs);
        ASSERT_TRUE(QTest::qWaitFor([this] { return workspace->left()->visible().size() == 3; }, idleTimeoutMs));
    }

    QString folder(const QString& relative) const { return m_folders.filePath(relative); }
    std::filesystem::path path(const QString& relative) const { return folder(relative).toStdString(); }

    void select(const QStringList& names)
    {
        workspace->left()->selectWhere([&names](const FileItem& item) { return names.contains(item.name); });
    }

    bool waitIdle() const
    {
        return QTest::qWaitFor([this] { return !workspace->processing(); }, idleTimeoutMs);
    }

    testing::FakeDialogs dialogs;
    std::unique_ptr<WorkspaceController> workspace;

private:
    QTemporaryDir m_folders;
};

TEST_F(WorkspaceTransfersTest, CopyToOtherPaneAsksThenCopiesEachSelectedItem)
{
    select({ "a.txt", "b.txt", "c.txt" });
    auto* button = workspace->toolbarButton("copyToOther");
    ASSERT_TRUE(QTest::qWaitFor([button] { return button->isEnabled(); }, idleTimeoutMs)); // the chrome follows the selection
    button->click();
    ASSERT_EQ(dialogs.presented.size(), 1);
    const auto& asked = dialogs.presented[0].request;
    EXPECT_EQ(asked.message, "Copy 3 items?");
    EXPECT_EQ(asked.informativeText, "From: " + folder("one") + "\nTo: " + folder("two") +
                                         "\n\nExisting items will not be overwritten without your choice.");
    EXPECT_EQ(asked.buttons, QStringList({ "Copy", "Cancel" }));
    dialogs.answer(0);
    ASSERT_EQ(workspace->records().size(), 3);
    for (const auto& record : workspace->records())
        EXPECT_EQ(record.destination(), folder("two/") + QFileInfo(record.source()).fileName());
    ASSERT_TRUE(waitIdle());
    // The copy appears in the other pane once the queue has drained.
    ASSERT_TRUE(QTest::qWaitFor([this] { return workspace->right()->items().size() == 3; }, idleTimeoutMs));
    EXPECT_TRUE(QFile::exists(folder("one/a.txt")));
}

TEST_F(WorkspaceTransfersTest, CopyIntoAFolderTheOtherPaneCouldNotListFailsNamingThatFolder)
{
    ASSERT_TRUE(QDir(folder("two")).removeRecursively());
    workspace->right()->refresh();
    ASSERT_TRUE(QTest::qWaitFor([this] { return workspace->right()->stateLabel()->isVisibleTo(workspace->window()); },
                                idleTimeoutMs));
    select({ "a.txt" });
    workspace->copyToOther();
    ASSERT_EQ(dialogs.presented.size(), 1);
    dialogs.answer(0);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(workspace->records().size(), 1);
    const QString message = workspace->records()[0].message;
    EXPECT_EQ(workspace->records()[0].status, ActivityRecord::Status::failed);
    // The folder the user sees, never the hidden one the copy is built in.
    EXPECT_TRUE(message.contains(u'\u201c' + folder("two") + u'\u201d')) << message.toStdString();
    EXPECT_FALSE(message.contains(QString::fromUtf8(StagingFolder::namePrefix.data(), StagingFolder::namePrefix.size()))) << message.toStdString();
    ASSERT_EQ(dialogs.presented.size(), 2);
    EXPECT_TRUE(dialogs.presented[1].request.informativeText.endsWith(message));
}

TEST_F(WorkspaceTransfersTest, CancelAndAnEmptySelectionQueueNothing)
{
    workspace->copyToOther();
    EXPECT_TRUE(dialogs.presented.isEmpty());
    select({ "a.txt" });
    workspace->moveToOther();
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Move 1 item?");
    dialogs.answer(1);
    EXPECT_TRUE(workspace->records().isEmpty());
}

TEST_F(WorkspaceTransfersTest, ADropWithTheMoveFlagMovesAfterAsking)
{
    workspace->right()->dropped({ path("one/b.txt") }, path("two"), true);
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Move 1 item?");
    dialogs.answer(0);
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(QFile::exists(folder("one/b.txt")));
    EXPECT_TRUE(QFile::exists(folder("two/b.txt")));
}

TEST_F(WorkspaceTransfersTest, PasteTakesTheClipboardsFileListOverOurOwn)
{
    select({ "a.txt", "b.txt" });
    workspace->copyFiles();
    EXPECT_EQ(workspace->clipboard(), QList<std::filesystem::path>({ path("one/a.txt"), path("one/b.txt") }));
    EXPECT_EQ(workspace->statusLabel()->fullText(), "2 items copied. Choose a destination and paste.");
    workspace->activatePane(1);
    workspace->pasteFiles();
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Copy 2 items?");
    EXPECT_TRUE(dialogs.presented[0].request.informativeText.contains("\nTo: " + folder("two") + "\n"));

    // An empty file list on the clipboard pastes nothing, though our own list holds items.
    auto* empty = new QMimeData;
    empty->setUrls({});
    QGuiApplication::clipboard()->setMimeData(empty);
    workspace->pasteMoveFiles();
    EXPECT_EQ(dialogs.presented.size(), 1);
}

TEST_F(WorkspaceTransfersTest, TheDropStackKeepsEachItemOnceAndOffersTransfersWhenFilled)
{
    workspace->showDropStack();
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.buttons, QStringList({ "Close" }));

    select({ "a.txt" });
    workspace->addSelectionToDropStack();
    select({ "a.txt", "c.txt" });
    workspace->addSelectionToDropStack();
    EXPECT_EQ(workspace->dropStack(), QList<std::filesystem::path>({ path("one/a.txt"), path("one/c.txt") }));
    EXPECT_EQ(workspace->statusLabel()->fullText(), "2 items in Drop Stack");

    workspace->showDropStack();
    const auto& shown = dialogs.presented.last().request;
    EXPECT_EQ(shown.buttons, QStringList({ "Close", "Copy to Other Pane", "Move to Other Pane", "Clear" }));
    EXPECT_EQ(shown.informativeText, folder("one/a.txt") + "\n" + folder("one/c.txt"));
    dialogs.answer(1);
    EXPECT_EQ(dialogs.presented.last().request.message, "Copy 2 items?");
    EXPECT_EQ(workspace->dropStack().size(), 2); // a transfer leaves the stack as it was

    workspace->showDropStack();
    dialogs.answer(3);
    EXPECT_TRUE(workspace->dropStack().isEmpty());
}

TEST_F(WorkspaceTransfersTest, TrashAsksThenQueuesOneTrashRequestPerItem)
{
    select({ "a.txt", "c.txt" });
    workspace->trashSelection();
    ASSERT_EQ(dialogs.presented.size(), 1);
    const auto& asked = dialogs.presented[0].request;
    EXPECT_EQ(asked.message, "Move 2 items to Trash?");
    EXPECT_EQ(asked.informativeText, "You can restore them from the Trash.");
    EXPECT_EQ(asked.buttons, QStringList({ "Move to Trash", "Cancel" }));
    dialogs.answer(0);
    ASSERT_EQ(workspace->records().size(), 2);
    EXPECT_EQ(workspace->records()[0].action(), FileAction::trash);
    EXPECT_EQ(workspace->records()[0].destination(), folder("one/a.txt"));
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(QFile::exists(folder("one/a.txt")));
    EXPECT_TRUE(QFile::exists(folder("one/b.txt")));
}

// No comparison tool on PATH: two selected items say what to install; any other count does nothing.
TEST_F(WorkspaceTransfersTest, CompareNeedsTwoItemsAndNamesTheToolsToInstall)
{
    QTemporaryDir emptyBin;
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", emptyBin.path().toUtf8());
    for (const QStringList& names : { QStringList { "a.txt" }, QStringList { "a.txt", "b.txt", "c.txt" } }) {
        select(names);
        workspace->compareSelected();
    }
    EXPECT_TRUE(dialogs.presented.isEmpty());
    select({ "a.txt", "b.txt" });
    workspace->compareSelected();
    EXPECT_FALSE(WorkspaceController::canShare());
    qputenv("PATH", savedPath);
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "Bramblet couldn\u2019t complete that action");
    EXPECT_EQ(dialogs.presented[0].request.informativeText, "Install meld, kdiff3 or kompare to compare files.");
}

// Share hands the selection to the desktop's mail handler, found on PATH; when there is none, or
// it finds no mail program, the user reads why nothing happened.
TEST_F(WorkspaceTransfersTest, ShareWithoutAMailProgramSaysWhy)
{
    const QString noMailProgram = "No mail program is set up to share with. Choose a default e-mail program in the "
                                  "desktop\u2019s settings, then share again.";
    struct Case {
        const char* name;
        std::optional<int> handlerStatus; // none: no handler installed
        QString alert;                    // empty: no alert
    };
    const Case cases[] = {
        { "no handler", std::nullopt, noMailProgram },
        { "no mail program", 3, noMailProgram },
        { "unreadable file", 5, "The mail program could not take the selection (xdg-email ended with status 5)." },
        { "handed over", 0, {} },
    };
    const QByteArray savedPath = qgetenv("PATH");
    select({ "a.txt", "b.txt" });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.presented.clear();
        QTemporaryDir bin;
        const QString arguments = bin.filePath("arguments");
        if (c.handlerStatus) {
            QFile handler(bin.filePath("xdg-email"));
            ASSERT_TRUE(handler.open(QIODevice::WriteOnly));
            handler.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\nexit %2\n")
                              .arg(arguments)
                              .arg(*c.handlerStatus)
                              .toUtf8());
            handler.close();
            handler.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toUtf8() + ":/usr/bin:/bin");
        if (!c.handlerStatus)
            qputenv("PATH", bin.path().toUtf8());
        workspace->contextAction("share");
        qputenv("PATH", savedPath);
        if (c.handlerStatus) {
            ASSERT_TRUE(QTest::qWaitFor([&arguments] { return QFile::exists(arguments); }, idleTimeoutMs));
            QFile written(arguments);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_EQ(QString::fromUtf8(written.readAll()),
                      QStringList({ "--attach", folder("one/a.txt"), "--attach", folder("one/b.txt"), "" }).join(u'\n'));
        }
        if (c.alert.isEmpty()) {
            QTest::qWait(200); // the handler's end is heard, and says nothing
            EXPECT_TRUE(dialogs.presented.isEmpty());
            continue;
        }
        ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs.presented.isEmpty(); }, idleTimeoutMs));
        EXPECT_EQ(dialogs.presented.last().request.message, "Bramblet couldn\u2019t complete that action");
        EXPECT_EQ(dialogs.presented.last().request.informativeText, c.alert);
    }
}

} // namespace
} // namespace bramblet
