#include "BrambletCore/Sync/SyncService.h"

#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Sync/SyncPlanner.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fstream>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

// Nanoseconds since the epoch, with a fraction of a second so that exactness is tested.
constexpr qint64 baseTime = 1'700'000'000'123'456'789LL;

enum class Type { file, folder, link };

struct Node {
    std::string path;
    Type type = Type::file;
    std::string data; // a file's contents or a link's target
    qint64 modified = baseTime;
};

Node file(std::string path, std::string contents, qint64 modified = baseTime)
{
    return { std::move(path), Type::file, std::move(contents), modified };
}

Node folder(std::string path, qint64 modified = baseTime)
{
    return { std::move(path), Type::folder, {}, modified };
}

Node link(std::string path, std::string target, qint64 modified = baseTime)
{
    return { std::move(path), Type::link, std::move(target), modified };
}

void build(const fs::path& root, const std::vector<Node>& nodes)
{
    fs::create_directories(root);
    for (const auto& node : nodes) {
        const auto path = root / node.path;
        switch (node.type) {
        case Type::folder: fs::create_directories(path); break;
        case Type::file: std::ofstream(path, std::ios::binary) << node.data; break;
        case Type::link: fs::create_symlink(node.data, path); break;
        }
    }
    // Deepest first: writing into a folder moves the folder's own date.
    for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
        const timespec time { node->modified / 1'000'000'000, node->modified % 1'000'000'000 };
        const timespec times[2] = { time, time };
        ASSERT_EQ(::utimensat(AT_FDCWD, (root / node->path).c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << node->path;
    }
}

// One line per entry: kind, relative path ("/" after a source folder), size.
std::string render(const SyncPlan& plan)
{
    std::string text;
    for (const auto& entry : plan.entries) {
        text += toString(entry.kind).toStdString() + ' ' + entry.relativePath.toStdString()
            + (entry.isDirectory ? "/" : "") + ' ' + std::to_string(entry.size) + '\n';
    }
    return text;
}

struct Case {
    const char* name;
    std::vector<Node> source;
    std::vector<Node> destination;
    std::string expected;
};

class SyncServiceTest : public ::testing::Test {
protected:
    // Builds the two trees under a folder of their own and plans them.
    SyncPlan planTrees(const Case& c)
    {
        const auto folder = root / std::to_string(++m_cases);
        build(folder / "src", c.source);
        build(folder / "dst", c.destination);
        return service.plan(folder / "src", folder / "dst").result();
    }

    void expectPlans(const std::vector<Case>& cases)
    {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(render(planTrees(c)), c.expected);
        }
    }

    // The failure a plan ends with; a plan that succeeds is a test failure.
    std::optional<FileFailure> failureOf(const fs::path& source, const fs::path& destination)
    {
        try {
            const auto plan = service.plan(source, destination).result();
            ADD_FAILURE() << "planned instead of failing:\n" << render(plan);
        } catch (const FileFailure& failure) {
            return failure;
        }
        return std::nullopt;
    }

    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    SyncService service;

private:
    int m_cases = 0;
};

TEST_F(SyncServiceTest, ComparesBySizeFolderFlagAndExactDate)
{
    expectPlans({
        { "two empty folders", {}, {}, "" },
        { "equal size and date, other contents", { file("f.txt", "aaaa") }, { file("f.txt", "bbbb") },
          "matching f.txt 4\n" },
        { "one nanosecond apart", { file("f.txt", "aaaa", baseTime + 1) }, { file("f.txt", "aaaa") },
          "changed f.txt 4\n" },
        { "sizes differ, dates equal", { file("f.txt", "aaaa") }, { file("f.txt", "aaa") }, "changed f.txt 4\n" },
        { "only in the destination", {}, { file("old.txt", "12345") }, "missing old.txt 0\n" },
        { "hidden items take part", { file(".profile", "x"), folder(".config"), file(".config/rc", "1") },
          { folder(".config") }, "matching .config/ 0\n" "added .config/rc 1\n" "added .profile 1\n" },
    });
}

TEST_F(SyncServiceTest, FoldersAndTypeChanges)
{
    expectPlans({
        // Copying a folder copies what is in it, so nothing below an added folder is listed.
        { "added folder is listed once",
          { folder("docs"), file("docs/a.txt", "1"), folder("docs/deep"), file("docs/deep/b.txt", "22") }, {},
          "added docs/ 0\n" },
        { "added folder inside a folder on both sides",
          { folder("a"), folder("a/new"), file("a/new/x", "1") }, { folder("a") },
          "matching a/ 0\n" "added a/new/ 0\n" },
        { "folder on both sides with other dates",
          { folder("a", baseTime + 5'000'000'000), file("a/f", "1") }, { folder("a"), file("a/f", "1") },
          "matching a/ 0\n" "matching a/f 1\n" },
        { "folder in the source, file in the destination",
          { folder("x"), file("x/inner", "12") }, { file("x", "abc") }, "changed x/ 0\n" },
        { "file in the source, folder in the destination",
          { file("x", "abc") }, { folder("x"), file("x/old", "1") }, "changed x 3\n" "missing x/old 0\n" },
        { "a folder only in the destination is listed with its contents",
          {}, { folder("old"), file("old/x", "1"), folder("old/y"), file("old/y/z", "1") },
          "missing old 0\n" "missing old/x 0\n" "missing old/y 0\n" "missing old/y/z 0\n" },
    });
}

TEST_F(SyncServiceTest, EntriesComeInPlainByteOrderOfTheirPaths)
{
    // A folder's contents come after siblings that sort before "/" ("a-c", "a.txt"), upper
    // case before lower case, and non-ASCII names after ASCII ones.
    expectPlans({
        { "byte order",
          { file("z", "1"), file("\xC3\xA9", "1"), folder("a"), file("a/b", "1"), file("a.txt", "1"),
            folder("a-c"), file("a-c/d", "1"), file("B", "1") },
          { folder("a"), file("a/b", "1"), folder("a-c"), file("a-c/d", "1") },
          "added B 1\n" "matching a/ 0\n" "matching a-c/ 0\n" "matching a-c/d 1\n" "added a.txt 1\n"
          "matching a/b 1\n" "added z 1\n" "added \xC3\xA9 1\n" },
    });
}

TEST_F(SyncServiceTest, SymbolicLinksAreComparedAsLinks)
{
    expectPlans({
        { "a link to a folder is one item, nothing under it is listed",
          { folder("dir"), file("dir/f", "1"), link("ln", "dir") }, { folder("dir"), file("dir/f", "1") },
          "matching dir/ 0\n" "matching dir/f 1\n" "added ln 3\n" },
        { "targets are not followed: their sizes do not matter",
          { file("t", "1"), link("ln", "t") }, { file("t", "22"), link("ln", "t") },
          "matching ln 1\n" "changed t 1\n" },
        { "dangling links with targets of one length and one date",
          { link("ln", "aaa") }, { link("ln", "bbb") }, "matching ln 3\n" },
        { "a link pointed elsewhere", { link("ln", "aaaa") }, { link("ln", "aaa") }, "changed ln 4\n" },
        { "a link with another date", { link("ln", "aaa", baseTime + 1) }, { link("ln", "aaa") },
          "changed ln 3\n" },
    });
}

TEST_F(SyncServiceTest, NamesThatDifferOnlyInCaseOrNormalisationAreDifferentEntries)
{
    const char* composed = "Caf\xC3\xA9";    // é as one code point
    const char* decomposed = "Cafe\xCC\x81"; // e and a combining acute accent
    const auto plan = planTrees({ "", { file(composed, "1234"), file("readme", "1234") },
                                  { file(decomposed, "1234"), file("README", "1234") }, "" });
    EXPECT_EQ(render(plan), std::string("missing ") + decomposed + " 0\n" + "added " + composed + " 4\n"
                                + "missing README 0\n" "added readme 4\n");
    ASSERT_EQ(plan.entries.size(), 4);
    EXPECT_EQ(plan.entries[0].relativePath.normalized(QString::NormalizationForm_C),
              plan.entries[1].relativePath.normalized(QString::NormalizationForm_C))
        << "the two names must look the same to a user";
}

// The review promises that destination-only items are never deleted. A folder on both sides
// judged "changed" by its own date would be copied whole with replace, sending the destination
// folder and every destination-only item in it to the Trash; and listing the contents of an
// added folder again would copy each of them a second time over the first copy.
TEST_F(SyncServiceTest, ASyncNeverCopiesAFolderThatExistsOnBothSides)
{
    const qint64 later = baseTime + 60'000'000'000;
    const auto plan = planTrees({ "",
        { folder("proj", later), file("proj/a", "new!", later), folder("proj/new"), file("proj/new/x", "1"),
          folder("proj/new/y"), file("proj/new/y/z", "1") },
        { folder("proj"), file("proj/a", "old!"), file("proj/keep", "mine") }, "" });
    QStringList actionable;
    for (const auto& entry : plan.actionable())
        actionable << toString(entry.kind) + ' ' + entry.relativePath;
    EXPECT_EQ(actionable, QStringList({ "changed proj/a", "added proj/new" }));
    EXPECT_EQ(plan.missingCount(), 1);
    EXPECT_EQ(plan.matchingCount(), 1);
}

TEST_F(SyncServiceTest, EntriesAddressBothStandardisedRoots)
{
    build(root / "src", { folder("docs"), file("docs/a.txt", "1") });
    build(root / "dst", { file("old", "22") });
    const auto plan = service.plan(root / "src/./", root / "elsewhere/../dst").result();
    EXPECT_EQ(plan.sourceRoot, root / "src");
    EXPECT_EQ(plan.destinationRoot, root / "dst");
    const std::vector<SyncEntry> expected {
        { "docs", root / "src/docs", root / "dst/docs", SyncKind::added, true, 0 },
        { "old", root / "src/old", root / "dst/old", SyncKind::missing, false, 0 },
    };
    EXPECT_EQ(std::vector<SyncEntry>(plan.entries.begin(), plan.entries.end()), expected);
}

TEST_F(SyncServiceTest, AFolderComparedWithItselfIsTheSameLocation)
{
    fs::create_directories(root / "same/sub");
    const struct {
        const char* name;
        fs::path source;
        fs::path destination;
    } cases[] = {
        { "identical", root / "same", root / "same" },
        { "trailing slash", root / "same/", root / "same" },
        { "current-folder components", root / "./same/.", root / "same" },
        { "parent component", root / "same", root / "same/sub/../" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto failure = failureOf(c.source, c.destination);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind(), FileFailure::Kind::sameLocation);
    }
}

TEST_F(SyncServiceTest, AFolderThatCannotBeListedFailsThePlanAndNamesIt)
{
    fs::create_directories(root / "folder");
    std::ofstream(root / "file") << "x";
    const auto sentence = [](const fs::path& path, const char* reason) {
        return "Couldn’t read the folder “" + path.native() + "”: " + reason;
    };
    const struct {
        const char* name;
        fs::path source;
        fs::path destination;
        std::string expected;
    } cases[] = {
        { "missing source", root / "nope", root / "folder", sentence(root / "nope", "No such file or directory") },
        { "destination is a file", root / "folder", root / "file", sentence(root / "file", "Not a directory") },
        { "both missing: the source is named", root / "nope", root / "gone",
          sentence(root / "nope", "No such file or directory") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto failure = failureOf(c.source, c.destination);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind(), FileFailure::Kind::system);
        EXPECT_EQ(failure->what(), c.expected);
    }
}

TEST_F(SyncServiceTest, PlansArriveOnTheCallersThreadAndFailuresArriveTyped)
{
    build(root / "src", { file("a", "1") });
    build(root / "dst", {});
    QObject context;
    std::optional<qsizetype> planned;
    std::optional<QString> failed;
    service.plan(root / "src", root / "dst").then(&context, [&](const SyncPlan& plan) {
        EXPECT_EQ(QThread::currentThread(), context.thread());
        planned = plan.addedCount();
    });
    service.plan(root / "src", root / "missing")
        .then(&context, [](const SyncPlan&) { ADD_FAILURE() << "a failed plan has no result"; })
        .onFailed(&context, [&](const FileFailure& failure) { failed = failure.errorDescription(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return planned && failed; }, 5000));
    EXPECT_EQ(*planned, 1);
    EXPECT_TRUE(failed->contains("No such file or directory")) << failed->toStdString();
}

// Root reads every folder, so the plan runs in a child process that first gives up root.
[[noreturn]] void planAsUnprivilegedUser(const fs::path& source, const fs::path& destination)
{
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0
            || ::setuid(nobody->pw_uid) != 0) {
            std::fprintf(stderr, "could not become nobody\n");
            std::_Exit(3);
        }
    }
    SyncService service;
    try {
        const auto plan = service.plan(source, destination).result();
        std::fprintf(stderr, "planned %lld entries instead of failing\n", static_cast<long long>(plan.entries.size()));
        std::_Exit(1);
    } catch (const FileFailure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        std::_Exit(failure.kind() == FileFailure::Kind::system ? 0 : 2);
    }
}

TEST_F(SyncServiceTest, AnUnreadableSubfolderAnywhereFailsTheWholePlan)
{
    if (::geteuid() == 0 && !::getpwnam("nobody"))
        GTEST_SKIP() << "running as root without a user \"nobody\" to drop to, so every folder is readable";
    // The unprivileged child must reach the trees.
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                        | fs::perms::others_read | fs::perms::others_exec);
    const struct {
        const char* name;
        std::vector<Node> source;
        std::vector<Node> destination;
        const char* locked;
    } cases[] = {
        { "deep in the source", { folder("sub"), folder("sub/locked"), file("sub/locked/f", "1") }, { folder("sub") },
          "src/sub/locked" },
        { "deep in the destination", { folder("sub") }, { folder("sub"), folder("sub/locked") }, "dst/sub/locked" },
        { "inside an added folder", { folder("new"), folder("new/locked") }, {}, "src/new/locked" },
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto folder = root / std::to_string(++index);
        build(folder / "src", c.source);
        build(folder / "dst", c.destination);
        const auto locked = folder / c.locked;
        fs::permissions(locked, fs::perms::none);
        EXPECT_EXIT(planAsUnprivilegedUser(folder / "src", folder / "dst"), ::testing::ExitedWithCode(0),
                    "Couldn’t read the folder “" + locked.native() + "”: Permission denied");
        fs::permissions(locked, fs::perms::owner_all);
    }
}

TEST_F(SyncServiceTest, EntriesTellWhenTheDestinationItemIsAFolder)
{
    const auto plan = planTrees({ "",
        { file("fileOverFolder", "abc"), folder("folderOverFile"), folder("both"), link("linkOverFolder", "x") },
        { folder("fileOverFolder"), file("fileOverFolder/mine", "1"), file("folderOverFile", "1"), folder("both"),
          folder("linkOverFolder") }, "" });
    QStringList folders;
    for (const auto& entry : plan.entries) {
        if (entry.destinationIsDirectory)
            folders << toString(entry.kind) + ' ' + entry.relativePath;
    }
    EXPECT_EQ(folders, QStringList({ "matching both", "changed fileOverFolder", "changed linkOverFolder" }));
}

TEST_F(SyncServiceTest, ProgressCountsListedItemsOfBothSides)
{
    build(root / "src", { folder("a"), file("a/1", "1"), file("a/2", "2"), folder("new"), file("new/x", "1") });
    build(root / "dst", { folder("a"), file("a/1", "1"), file("old", "1") });
    const auto progress = std::make_shared<SyncProgress>();
    const auto plan = service.plan(root / "src", root / "dst", progress).result();
    EXPECT_EQ(plan.addedCount(), 2);
    // Source: a, new, a/1, a/2, new/x; destination: a, old, a/1.
    EXPECT_EQ(progress->listedItems(), 8);
}

TEST_F(SyncServiceTest, ACancelledPlanStopsAtTheNextFolder)
{
    std::vector<Node> tree { folder("a"), folder("b"), folder("c") };
    for (const char* name : { "a/x", "b/x", "c/x" })
        tree.push_back(file(name, "1"));
    build(root / "src", tree);
    build(root / "dst", { folder("a"), folder("b"), folder("c") });
    for (const int allowed : { 0, 1, 3 }) {
        SCOPED_TRACE(allowed);
        int asked = 0;
        SyncProgress progress;
        const Cancellation cancellation([&asked, allowed] { return ++asked > allowed; });
        try {
            SyncPlanner(root / "src", root / "dst", cancellation, &progress).plan();
            ADD_FAILURE() << "planned although cancelled";
        } catch (const FileFailure& failure) {
            EXPECT_EQ(failure.kind(), FileFailure::Kind::cancelled);
        }
        EXPECT_EQ(asked, allowed + 1) << "no folder is listed after the cancellation is seen";
    }

    // A future cancelled while the executor is busy with another plan never runs its walk.
    const auto first = service.plan(root / "src", root / "dst");
    auto second = service.plan(root / "src", root / "dst");
    second.cancel();
    EXPECT_EQ(first.result().addedCount(), 3);
    second.waitForFinished();
    EXPECT_TRUE(second.isCanceled());
    EXPECT_EQ(second.resultCount(), 0);
}

} // namespace
} // namespace bramblet
