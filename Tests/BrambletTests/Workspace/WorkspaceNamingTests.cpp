#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/InspectorController.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/StackView.h" // InspectorController.h needs the complete type
#include "Bramblet/Workspace/BatchRename.h"
#include "BrambletCore/Models/FileFailure.h"
#include "Pane/PaneTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace bramblet {
namespace {

using testing::eventually;
using testing::makeItem;
using testing::names;

const QString invalidName = QString::fromUtf8(FileFailure(FileFailure::Kind::invalidName).what());

TEST(BatchRenameTest, ReplacesTextInWholeNamesAndRefusesInvalidOnes)
{
    const QList<FileItem> items = { makeItem("/w", "a.txt"), makeItem("/w", "b.txt"), makeItem("/w", "c.md") };
    const auto toMarkdown = planBatchRename(items, ".txt", ".md");
    ASSERT_FALSE(toMarkdown.failure);
    EXPECT_EQ(toMarkdown.requests, QList<FileRequest>({
                                       { FileAction::rename, "/w/a.txt", "/w/a.md", ConflictPolicy::ask },
                                       { FileAction::rename, "/w/b.txt", "/w/b.md", ConflictPolicy::ask },
                                   })) << "c.md keeps its name and gets no request";

    struct Case {
        const char* find;
        const char* replacement;
        QString failure;
    };
    const Case refused[] = {
        { "c", "/", invalidName },                          // fails on the last item: nothing at all
        { "zzz", "y", "No selected names changed." },
        { "a.txt", "", invalidName },                      // an empty name
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.find);
        const auto plan = planBatchRename(items, c.find, c.replacement);
        EXPECT_EQ(plan.failure, c.failure);
        EXPECT_TRUE(plan.requests.isEmpty());
    }
    EXPECT_EQ(planBatchRename({ makeItem("/w", "aaa") }, "aa", "b").requests.first().destination, "/w/ba")
        << "left to right, not overlapping";
}

// A workspace on a folder with a few files, a folder named like an image, and a second folder.
class WorkspaceNamingTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        QDir root(m_folder.path());
        ASSERT_TRUE(root.mkpath("x.png"));
        for (const char* name : { "photo.HEIC", "a.txt", "b.txt" }) {
            QFile file(root.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        workspace = std::make_unique<WorkspaceController>(m_folder.path(), m_folder.path(), true, defaults(), dialogs);
        ASSERT_TRUE(eventually([this] { return workspace->left()->visible().size() == 4; }));
    }

    QString folder() const { return m_folder.path(); }
    std::filesystem::path path(const QString& name) const { return pathFromString(m_folder.filePath(name)); }
    void select(const QStringList& chosen)
    {
        workspace->left()->selectWhere([&chosen](const FileItem& item) { return chosen.contains(item.name); });
    }
    QStringList selectedNames() const { return names(workspace->left()->selected()); }
    QList<FileRequest> queued() const
    {
        QList<FileRequest> requests;
        for (const auto& record : workspace->records())
            requests.append({ record.action(), pathFromString(record.source()), pathFromString(record.destination()), ConflictPolicy::ask });
        return requests;
    }

    testing::FakeDialogs dialogs;
    std::unique_ptr<WorkspaceController> workspace;

private:
    QTemporaryDir m_folder;
};

TEST_F(WorkspaceNamingTest, SelectByKindPatternAndTag)
{
    workspace->selectByKind();
    const auto& kinds = dialogs.presented.last().request;
    EXPECT_EQ(kinds.items, QStringList({ "Images", "Documents", "Videos", "Audio", "Archives", "Folders" }));
    EXPECT_EQ(kinds.buttons, QStringList({ "Select", "Cancel" }));
    dialogs.answer(0, {}, 0);
    EXPECT_EQ(selectedNames(), QStringList { "photo.HEIC" }) << "the folder x.png is no image";
    workspace->selectByKind();
    dialogs.answer(0, {}, 5);
    EXPECT_EQ(selectedNames(), QStringList { "x.png" });

    workspace->contextAction("selectPattern");
    EXPECT_EQ(dialogs.presented.last().request.text, "*");
    dialogs.answer(0, "*.txt");
    EXPECT_EQ(selectedNames(), QStringList({ "a.txt", "b.txt" }));
    workspace->selectByPattern();
    dialogs.answer(0, "a/b");
    EXPECT_EQ(dialogs.presented.last().request.informativeText, invalidName);
    EXPECT_EQ(selectedNames(), QStringList({ "a.txt", "b.txt" }));

    ASSERT_EQ(::lsetxattr(path("b.txt").c_str(), "user.xdg.tags", "Blue", 4, 0), 0);
    workspace->refresh();
    ASSERT_TRUE(eventually([this] {
        const auto& items = workspace->left()->visible();
        return std::any_of(items.begin(), items.end(), [](const FileItem& item) { return !item.tags.isEmpty(); });
    }));
    workspace->selectByTag();
    dialogs.answer(0, {}, 4);
    EXPECT_EQ(selectedNames(), QStringList { "b.txt" });
}

TEST_F(WorkspaceNamingTest, SetTagReplacesEveryTagAndRefusesACommaInAName)
{
    ASSERT_EQ(::lsetxattr(path("a.txt").c_str(), "user.xdg.tags", "Red,Mine", 8, 0), 0);
    select({ "a.txt", "b.txt" });
    workspace->contextAction("tags");
    EXPECT_EQ(dialogs.presented.last().request.items.first(), "None");
    dialogs.answer(0, {}, 5); // "Blue"
    for (const char* name : { "a.txt", "b.txt" }) {
        char value[64] = {};
        const auto size = ::lgetxattr(path(name).c_str(), "user.xdg.tags", value, sizeof value);
        EXPECT_EQ(QByteArray(value, int(std::max<ssize_t>(size, 0))), "Blue") << name;
    }
    workspace->manageTags();
    ASSERT_TRUE(eventually([this] { return selectedNames() == QStringList({ "a.txt", "b.txt" }); }));
    dialogs.answer(0, {}, 0); // "None"
    EXPECT_LT(::lgetxattr(path("a.txt").c_str(), "user.xdg.tags", nullptr, 0), 0);

    EXPECT_THROW(workspace->left()->setTags({ "Work,Home" }, { path("a.txt") }), std::invalid_argument);
    EXPECT_LT(::lgetxattr(path("a.txt").c_str(), "user.xdg.tags", nullptr, 0), 0) << "nothing written";
}

TEST_F(WorkspaceNamingTest, RenameAndNewFolderQueueOnlyValidNames)
{
    select({ "a.txt", "b.txt" });
    workspace->rename();
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "two items: nothing to rename";
    workspace->contextAction("rename");
    EXPECT_TRUE(dialogs.presented.isEmpty());

    select({ "a.txt" });
    workspace->contextAction("rename");
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.informativeText, pathString(path("a.txt")));
    EXPECT_EQ(dialogs.presented[0].request.text, "a.txt");
    dialogs.answer(0, "bad/name");
    EXPECT_EQ(dialogs.presented.last().request.informativeText, invalidName);
    EXPECT_TRUE(workspace->records().isEmpty());

    workspace->rename();
    dialogs.answer(0, "renamed.txt");
    workspace->toolbarButton("newFolder")->click();
    EXPECT_EQ(dialogs.presented.last().request.informativeText, "Create in " + folder());
    EXPECT_EQ(dialogs.presented.last().request.text, "Untitled Folder");
    dialogs.answer(0, "Untitled Folder");
    EXPECT_EQ(queued(), QList<FileRequest>({
                            { FileAction::rename, path("a.txt"), path("renamed.txt"), ConflictPolicy::ask },
                            { FileAction::createFolder, pathFromString(folder()), path("Untitled Folder"), ConflictPolicy::ask },
                        }));
}

TEST_F(WorkspaceNamingTest, TheRenamedItemStaysSelectedAndANewFolderBecomesTheSelection)
{
    const auto shownAndSelected = [this](const QString& name) {
        return eventually([this, name] {
            return !workspace->processing() && selectedNames() == QStringList { name }
                && testing::selectedRowNames(*workspace->left()) == QStringList { name };
        });
    };
    select({ "a.txt" });
    workspace->rename();
    dialogs.answer(0, "renamed.txt");
    EXPECT_TRUE(shownAndSelected("renamed.txt"));

    // Kept both: the item is selected under the numbered name it got.
    select({ "renamed.txt" });
    workspace->rename();
    dialogs.answer(0, "b.txt");
    ASSERT_TRUE(eventually([this] { return dialogs.presented.last().request.buttons.size() == 4; }))
        << "the conflict is put to the user";
    dialogs.answer(0);
    EXPECT_TRUE(shownAndSelected("b_02.txt"));

    workspace->newFolder();
    dialogs.answer(0, "Fresh");
    EXPECT_TRUE(shownAndSelected("Fresh"));
}

TEST_F(WorkspaceNamingTest, BatchRenameAsksForTwoTextsAndQueuesTheChangedNames)
{
    select({ "a.txt" });
    workspace->batchRename();
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "one item: nothing to do";
    select({ "a.txt", "b.txt" });
    workspace->contextAction("batchRename");
    ASSERT_EQ(dialogs.presented.size(), 1);
    const auto& asked = dialogs.presented[0].request;
    EXPECT_EQ(asked.accessory, DialogRequest::Accessory::twoTextFields);
    EXPECT_EQ(asked.placeholder, "Find text");
    EXPECT_EQ(asked.secondPlaceholder, "Replace with");
    dialogs.answer(0, ".txt", 0, ".md");
    EXPECT_EQ(queued(), QList<FileRequest>({
                            { FileAction::rename, path("a.txt"), path("a.md"), ConflictPolicy::ask },
                            { FileAction::rename, path("b.txt"), path("b.md"), ConflictPolicy::ask },
                        }));
    workspace->contextAction("no such command");
    EXPECT_EQ(dialogs.presented.size(), 1);
}

TEST_F(WorkspaceNamingTest, AToggledPermissionIsWrittenAtOnce)
{
    workspace->inspector()->changePermissions(path("a.txt"), 0600);
    struct stat status {};
    ASSERT_EQ(::stat(path("a.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    workspace->inspector()->changePermissions(path("missing"), 0600);
    EXPECT_TRUE(dialogs.presented.last().request.informativeText.startsWith("Could not change permissions. "));
}

} // namespace
} // namespace bramblet
