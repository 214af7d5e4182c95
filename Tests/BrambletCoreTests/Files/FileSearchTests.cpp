#include "BrambletCore/Files/FileSearch.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Models/FileFailure.h"

#include "Files/TestTree.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include <algorithm>
#include <vector>

namespace bramblet {
namespace {

using Names = std::vector<std::string>;

const Cancellation notCancelled({});
const NameIndex noIndex { "/nonexistent/plocate", std::nullopt };
// Ünïcode.txt
const char* const unicodeName = "\xc3\x9c" "n\xc3\xaf" "code.txt";

Names relativeNames(const QList<FileItem>& items, const std::filesystem::path& root)
{
    Names names;
    for (const auto& item : items)
        names.push_back(item.url.lexically_relative(root).native());
    std::sort(names.begin(), names.end());
    return names;
}

Names sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// A tree with names that are hard on a search, and a real index database built for it. After the
// database is built, late.jpg is added (only a walk can find it) and gone.jpg removed (the index
// still names it).
class FileSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "photo.jpg", "photo.jpg.bak", "Trip/PHOTO.JPG", "Trip/notes.txt", "a[b].txt",
                                  "x\"y.txt", "back\\slash.txt", "-dash.txt", unicodeName,
                                  ".hidden.jpg", ".cache/thumb.jpg", "Trip/.secret/deep.jpg", "two\nlines.jpg",
                                  "bad\xff.jpg", "gone.jpg", "Reports/report.pdf", "Reports/report-2024.pdf",
                                  "Reports/Report final.PDF", "Reports/ab.txt", "Reports/a-long-b.txt" })
            tree.file(name);
        tree.symlink("link-to-trip", "Trip");

        const auto database = databaseFolder / "names.db";
        QProcess updatedb;
        updatedb.start(QStringLiteral("updatedb"),
                       { "--database-root", pathString(tree.root()), "--output", pathString(database),
                         "--prunepaths", "", "--prunefs", "", "--prunenames", "", "--prune-bind-mounts", "no",
                         "--require-visibility", "no" });
        ASSERT_TRUE(updatedb.waitForFinished()) << "updatedb (package plocate) must be installed";
        ASSERT_EQ(updatedb.exitCode(), 0) << updatedb.readAllStandardError().toStdString();
        index = { "/usr/bin/plocate", database };

        tree.file("late.jpg");
        std::filesystem::remove(tree / "gone.jpg");
    }

    TestTree tree;
    TestTree databaseFolder;
    NameIndex index;
};

TEST_F(FileSearch, FindsNamesThroughTheIndexOrTheWalkAlike)
{
    struct Case {
        const char* query;
        bool showHidden;
        Names expected;
        bool late; // late.jpg matches too: the walk finds it, the index does not know it
    };
    const Case cases[] = {
        // Wildcards: the index is asked for ".jpg", the whole-name pattern then drops photo.jpg.bak.
        { "*.jpg", false, { "photo.jpg", "Trip/PHOTO.JPG", "two\nlines.jpg", "bad\xff.jpg" }, true },
        { "*.jpg", true,
          { "photo.jpg", "Trip/PHOTO.JPG", "two\nlines.jpg", "bad\xff.jpg", ".hidden.jpg", ".cache/thumb.jpg",
            "Trip/.secret/deep.jpg" },
          true },
        // Literal runs apart: the index is asked for the longest, the pattern decides.
        { "report*.pdf", false, { "Reports/report.pdf", "Reports/report-2024.pdf", "Reports/Report final.PDF" }, false },
        { "a*b.txt", false, { "Reports/ab.txt", "Reports/a-long-b.txt" }, false },
        { "?hoto.jp?", false, { "photo.jpg", "Trip/PHOTO.JPG" }, false },
        { "photo", false, { "photo.jpg", "photo.jpg.bak", "Trip/PHOTO.JPG" }, false },
        { "trip", false, { "Trip", "link-to-trip" }, false },
        // Text the tool could read as a pattern or an option is matched literally.
        { "a[b", false, { "a[b].txt" }, false },
        { "[b]", false, { "a[b].txt" }, false },
        { "x\"y", false, { "x\"y.txt" }, false },
        { "back\\slash", false, { "back\\slash.txt" }, false },
        { "-dash", false, { "-dash.txt" }, false },
        { "--help", false, {}, false },
        { "\xc3\x9c" "N\xc3\x8f", false, { unicodeName }, false },
    };
    for (const bool walk : { false, true }) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(walk ? "walk: " : "index: ") + c.query);
            Names expected = c.expected;
            if (walk && c.late)
                expected.push_back("late.jpg");
            const auto found = searchFolder(walk ? noIndex : index, tree.root(), QString::fromUtf8(c.query),
                                            c.showHidden, notCancelled);
            EXPECT_EQ(relativeNames(found, tree.root()), sorted(expected));
        }
    }
}

TEST_F(FileSearch, RootWithOrWithoutSlashAndNeverItself)
{
    const auto withSlash = std::filesystem::path(tree.root().native() + "/");
    for (const auto& root : { tree.root(), withSlash }) {
        SCOPED_TRACE(root.native());
        const auto found = searchFolder(index, root, QStringLiteral("*.jpg"), false, notCancelled);
        EXPECT_EQ(relativeNames(found, tree.root()),
                  sorted({ "photo.jpg", "Trip/PHOTO.JPG", "two\nlines.jpg", "bad\xff.jpg" }));
        for (const auto& item : found)
            EXPECT_EQ(item.url, item.url.lexically_normal());
        // The index knows the root itself by this name; it is no result, nor is anything else.
        const auto own = pathString(tree.root().filename());
        EXPECT_TRUE(searchFolder(index, root, own, false, notCancelled).isEmpty());
    }
}

TEST_F(FileSearch, WalksWhenTheIndexHasNothingBelowTheRootOrCannotAnswer)
{
    TestTree other;
    other.file("photo.jpg");
    other.file("Inner/old-photo.jpg");
    const Names expected = { "Inner/old-photo.jpg", "photo.jpg" };
    TestTree tools;
    tools.file("not-executable");
    struct Case {
        const char* name;
        NameIndex index;
    };
    const Case cases[] = {
        { "index only knows other folders", index },
        { "no index tool", noIndex },
        { "no database", { "/usr/bin/plocate", databaseFolder / "missing.db" } },
        { "tool cannot start", { tools / "not-executable", std::nullopt } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = searchFolder(c.index, other.root(), QStringLiteral("photo"), false, notCancelled);
        EXPECT_EQ(relativeNames(found, other.root()), expected);
    }
}

TEST_F(FileSearch, RootThatIsNotAFolderFailsWithTheSystemsError)
{
    struct Case {
        const char* name;
        std::errc error;
    };
    const Case cases[] = {
        { "photo.jpg", std::errc::not_a_directory },
        { "missing", std::errc::no_such_file_or_directory },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            searchFolder(index, tree / c.name, QStringLiteral("photo"), false, notCancelled);
            ADD_FAILURE() << "searched";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), c.error) << error.what();
        }
    }
}

TEST_F(FileSearch, CancelledSearchThrowsInsteadOfAnswering)
{
    const Cancellation cancelled([] { return true; });
    for (const NameIndex& source : { index, noIndex }) {
        try {
            searchFolder(source, tree.root(), QStringLiteral("photo"), false, cancelled);
            ADD_FAILURE() << "answered";
        } catch (const FileFailure& failure) {
            EXPECT_EQ(failure.kind(), FileFailure::Kind::cancelled);
        }
    }
}

TEST_F(FileSearch, FutureCancelledWhileTheToolRunsGivesNoResult)
{
    // A tool that says when it has started, takes its time and then fails, so that the walk
    // would answer if the search went on.
    const auto started = tree / "tools/started";
    tree.file("tools/slow", "#!/bin/sh\ntouch '" + started.native() + "'\nsleep 0.3\nexit 1\n");
    tree.setMode("tools/slow", 0755);
    FileService service({ tree / "tools/slow", std::nullopt });
    auto future = service.search(tree.root(), QStringLiteral("photo"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(started); }, 5000));
    future.cancel();
    future.waitForFinished();
    EXPECT_TRUE(future.isCanceled());
    EXPECT_EQ(future.resultCount(), 0);
}

TEST_F(FileSearch, WalkPassesOverUnreadableFoldersButNotAnUnreadableRoot)
{
    tree.file("Locked/photo-inside.jpg");
    tree.setMode("Locked", 0);
    const bool ran = runAsNobody([&] {
        const auto found = searchFolder(noIndex, tree.root(), QStringLiteral("photo"), false, notCancelled);
        EXPECT_EQ(relativeNames(found, tree.root()), sorted({ "photo.jpg", "photo.jpg.bak", "Trip/PHOTO.JPG" }));
        try {
            searchFolder(noIndex, tree / "Locked", QStringLiteral("photo"), false, notCancelled);
            ADD_FAILURE() << "searched an unreadable folder";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), std::errc::permission_denied) << error.what();
        }
    });
    tree.setMode("Locked", 0755);
    if (!ran)
        GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permission bits do not apply";
}

TEST_F(FileSearch, ThroughTheServiceActor)
{
    FileService service(index);
    const auto found = service.search(tree.root(), QStringLiteral("notes"), false).result();
    EXPECT_EQ(relativeNames(found, tree.root()), Names { "Trip/notes.txt" });
}

} // namespace
} // namespace bramblet
