#include "BrambletCore/Operations/RequestExecutor.h"

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Operations/Manifest.h"
#include "OperationsFixture.h"

#include <QDir>

#include <gtest/gtest.h>

#include <limits.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <fstream>
#include <functional>
#include <system_error>

namespace bramblet {
namespace {

namespace fs = std::filesystem;
using Step = RequestExecutor::Step;

class RequestExecutorTest : public OperationsFixture {
protected:
    FileOutcome run(FileAction action, const fs::path& source, const fs::path& destination,
                    ConflictPolicy policy = ConflictPolicy::ask, RequestExecutor::StepHook hook = {}) const
    {
        const Cancellation notCancelled({});
        return RequestExecutor(std::move(hook)).execute({ action, source, destination, policy }, notCancelled);
    }

    // Runs `request`, expects it to fail with `kind` and returns the failure's text.
    static std::string expectFailure(FileFailure::Kind kind, const std::function<void()>& request)
    {
        try {
            request();
            ADD_FAILURE() << "the request did not fail";
        } catch (const FileFailure& failure) {
            EXPECT_EQ(failure.kind(), kind) << failure.what();
            return failure.what();
        }
        return {};
    }

    // Everything in the working folder, to show that a request changed nothing.
    Manifest snapshot() const { return Manifest::of(at("work")); }

    // The staging folder of the request that is running (for hooks that tamper with it).
    fs::path staging() const
    {
        const auto folders = leftStagingFolders();
        EXPECT_EQ(folders.size(), 1u);
        return folders.empty() ? fs::path() : folders.front();
    }

    void makeTree(const std::string& relative) const
    {
        writeFile(relative + "/a.txt", "alpha");
        writeFile(relative + "/sub/b.txt", std::string(200000, 'b'));
        writeFile(relative + "/sub/.hidden", "h");
        fs::create_directory(at(relative + "/empty"));
        fs::create_symlink("sub/b.txt", at(relative + "/link"));
    }
};

TEST_F(RequestExecutorTest, CopyPlacesAVerifiedCopyAndKeepsTheSource)
{
    writeFile("work/file.txt", "content");
    makeTree("work/tree");
    fs::create_directory(at("work/out"));
    for (const char* name : { "file.txt", "tree" }) {
        SCOPED_TRACE(name);
        const Manifest before = Manifest::of(at("work") / name);
        const FileOutcome outcome = run(FileAction::copy, at("work") / name, at("work/out") / name);
        EXPECT_EQ(outcome, FileOutcome::completed(at("work/out") / name));
        EXPECT_EQ(Manifest::of(at("work/out") / name), before);
        EXPECT_EQ(Manifest::of(at("work") / name), before);
    }
}

TEST_F(RequestExecutorTest, MoveAndRenameRemoveTheSourceOnlyOnceTheCopyIsInPlace)
{
    struct Case {
        FileAction action;
        bool folder;
        std::string destination;
    };
    const Case cases[] = {
        { FileAction::move, false, "work/out/moved" },
        { FileAction::move, true, "work/out/moved" },
        { FileAction::rename, false, "work/renamed" },
        { FileAction::rename, true, "work/renamed" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toString(c.action).toStdString() + (c.folder ? " folder" : " file"));
        fs::remove_all(at("work"));
        fs::create_directories(at("work/out"));
        if (c.folder)
            makeTree("work/item");
        else
            writeFile("work/item", "payload");
        const Manifest before = Manifest::of(at("work/item"));
        bool sourceStillThereWhenPlaced = false;
        const FileOutcome outcome = run(c.action, at("work/item"), at(c.destination), ConflictPolicy::ask, [&](Step step) {
            if (step == Step::placed)
                sourceStillThereWhenPlaced = fs::exists(at("work/item"));
        });
        EXPECT_EQ(outcome, FileOutcome::completed(at(c.destination)));
        EXPECT_TRUE(sourceStillThereWhenPlaced);
        EXPECT_FALSE(fs::exists(fs::symlink_status(at("work/item"))));
        EXPECT_EQ(Manifest::of(at(c.destination)), before);
    }
}

TEST_F(RequestExecutorTest, NamesWithColonsAndJoinersAreCopiedMovedAndRenamed)
{
    const std::string names[] = {
        "backup 2024-01-01T10:00:00.log",
        "\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645.txt",
        "family-\U0001F468\u200D\U0001F469\u200D\U0001F467.jpg",
    };
    fs::create_directories(at("work/out"));
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        writeFile("work/" + name, name);
        EXPECT_EQ(run(FileAction::copy, at("work/" + name), at("work/out/" + name)),
                  FileOutcome::completed(at("work/out/" + name)));
        EXPECT_EQ(run(FileAction::rename, at("work/out/" + name), at("work/out/renamed " + name)),
                  FileOutcome::completed(at("work/out/renamed " + name)));
        EXPECT_EQ(run(FileAction::move, at("work/" + name), at("work/out/" + name)),
                  FileOutcome::completed(at("work/out/" + name)));
        EXPECT_EQ(readFile(at("work/out/" + name)), name);
        EXPECT_EQ(readFile(at("work/out/renamed " + name)), name);
    }
}

TEST_F(RequestExecutorTest, KeepBothOnANameWithNoRoomForANumberSaysWhy)
{
    const std::string name = std::string(251, 'n') + ".txt"; // 255 bytes, the longest name there is
    writeFile("work/" + name, "new");
    writeFile("work/out/" + name, "old");
    const Manifest before = snapshot();
    const std::string text = expectFailure(FileFailure::Kind::system, [&] {
        run(FileAction::copy, at("work/" + name), at("work/out/" + name), ConflictPolicy::keepBoth);
    });
    EXPECT_EQ(text, "The numbered name for Keep Both is longer than this file system allows. Rename the item, "
                    "or choose Replace or Skip.");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(RequestExecutorTest, RefusalsWriteNothing)
{
    makeTree("work/Photos");
    writeFile("work/file.txt", "content");
    struct Case {
        const char* what;
        FileAction action;
        std::string source;
        std::string destination;
        ConflictPolicy policy;
        FileFailure::Kind failure;
    };
    const Case cases[] = {
        { "folder into itself", FileAction::copy, "work/Photos", "work/Photos/sub/Photos", ConflictPolicy::ask,
          FileFailure::Kind::nestedDestination },
        { "folder moved below itself", FileAction::move, "work/Photos", "work/Photos/Photos", ConflictPolicy::keepBoth,
          FileFailure::Kind::nestedDestination },
        { "file onto itself", FileAction::copy, "work/file.txt", "work/file.txt", ConflictPolicy::replace,
          FileFailure::Kind::sameLocation },
        { "file onto itself, keeping both", FileAction::copy, "work/file.txt", "work/./file.txt", ConflictPolicy::keepBoth,
          FileFailure::Kind::sameLocation },
        { "rename to the current name", FileAction::rename, "work/Photos", "work/Photos/", ConflictPolicy::ask,
          FileFailure::Kind::sameLocation },
        { "rename with a tab", FileAction::rename, "work/file.txt", "work/a\tb.txt", ConflictPolicy::ask,
          FileFailure::Kind::invalidName },
        { "rename with a line break", FileAction::rename, "work/file.txt", "work/a\nb.txt", ConflictPolicy::ask,
          FileFailure::Kind::invalidName },
        { "missing source", FileAction::move, "work/gone", "work/out", ConflictPolicy::replace,
          FileFailure::Kind::missingSource },
    };
    const Manifest before = snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectFailure(c.failure, [&] { run(c.action, at(c.source), at(c.destination), c.policy); });
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(RequestExecutorTest, SiblingWhoseNameStartsWithTheFolderNameIsNotInsideIt)
{
    makeTree("work/Photos");
    fs::create_directory(at("work/Photos Old"));
    EXPECT_EQ(run(FileAction::copy, at("work/Photos"), at("work/Photos Old/Photos")),
              FileOutcome::completed(at("work/Photos Old/Photos")));
}

TEST_F(RequestExecutorTest, ConflictPoliciesOnAnExistingName)
{
    writeFile("work/report.pdf", "new");
    writeFile("work/out/report.pdf", "old");
    makeTree("work/Photos");
    makeTree("work/out/Photos");
    const fs::path target = at("work/out/report.pdf");

    EXPECT_EQ(run(FileAction::copy, at("work/report.pdf"), target, ConflictPolicy::ask), FileOutcome::conflict(target));
    EXPECT_EQ(run(FileAction::move, at("work/report.pdf"), target, ConflictPolicy::skip), FileOutcome::skipped(target));
    EXPECT_EQ(readFile(target), "old");
    EXPECT_TRUE(fs::exists(at("work/report.pdf")));

    EXPECT_EQ(run(FileAction::copy, at("work/report.pdf"), target, ConflictPolicy::keepBoth),
              FileOutcome::completed(at("work/out/report_02.pdf")));
    EXPECT_EQ(run(FileAction::copy, at("work/report.pdf"), target, ConflictPolicy::keepBoth),
              FileOutcome::completed(at("work/out/report_03.pdf")));
    EXPECT_EQ(readFile(at("work/out/report_03.pdf")), "new");
    EXPECT_EQ(readFile(target), "old");

    EXPECT_EQ(run(FileAction::copy, at("work/Photos"), at("work/out/Photos"), ConflictPolicy::keepBoth),
              FileOutcome::completed(at("work/out/Photos_02")));
    EXPECT_TRUE(trashedNames().empty());
}

TEST_F(RequestExecutorTest, ReplaceTrashesTheOldItemOnlyAfterTheCopyIsVerified)
{
    writeFile("work/doc.txt", "new");
    makeTree("work/out/doc.txt"); // a folder is replaced by a file just as well
    const Manifest old = Manifest::of(at("work/out/doc.txt"));
    std::vector<Step> stepsWithOldInPlace;
    const FileOutcome outcome = run(FileAction::copy, at("work/doc.txt"), at("work/out/doc.txt"), ConflictPolicy::replace,
                                    [&](Step step) {
                                        if (trashedNames().empty() && Manifest::of(at("work/out/doc.txt")) == old)
                                            stepsWithOldInPlace.push_back(step);
                                    });
    EXPECT_EQ(outcome, FileOutcome::completed(at("work/out/doc.txt")));
    // Only its record is in the Trash when the exchange is about to happen.
    EXPECT_EQ(stepsWithOldInPlace, (std::vector { Step::staged, Step::copied, Step::verified, Step::readyToExchange }));
    EXPECT_EQ(readFile(at("work/out/doc.txt")), "new");
    ASSERT_EQ(trashedNames(), std::vector<std::string> { "doc.txt" });
    EXPECT_EQ(Manifest::of(at("data/Trash/files/doc.txt")), old);
}

TEST_F(RequestExecutorTest, ACopyThatCannotBeVerifiedChangesNothingAtTheDestination)
{
    struct Case {
        const char* what;
        FileAction action;
        ConflictPolicy policy;
        bool tamperWithCopy; // else the source changes while it is copied
    };
    const Case cases[] = {
        { "source changed during a copy", FileAction::copy, ConflictPolicy::ask, false },
        { "source changed during a replacing move", FileAction::move, ConflictPolicy::replace, false },
        { "copy damaged in staging", FileAction::rename, ConflictPolicy::replace, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(at("work"));
        makeTree("work/src");
        writeFile("work/out/other", "neighbour");
        if (c.policy == ConflictPolicy::replace)
            writeFile("work/out/src", "previous");
        const Manifest destinationBefore = Manifest::of(at("work/out"));
        const std::string text = expectFailure(FileFailure::Kind::verificationFailed, [&] {
            run(c.action, at("work/src"), at("work/out/src"), c.policy, [&](Step step) {
                if (step == Step::copied)
                    std::ofstream(c.tamperWithCopy ? staging() / "payload/a.txt" : at("work/src/a.txt")) << "changed";
            });
        });
        EXPECT_EQ(text, "The copy could not be verified. The original was preserved.");
        EXPECT_EQ(Manifest::of(at("work/out")), destinationBefore);
        EXPECT_TRUE(fs::exists(at("work/src/sub/b.txt")));
        EXPECT_TRUE(trashedNames().empty());
    }
}

TEST_F(RequestExecutorTest, AMovedSourceThatChangedAfterPlacementIsPreserved)
{
    makeTree("work/src");
    const std::string text = expectFailure(FileFailure::Kind::system, [&] {
        run(FileAction::move, at("work/src"), at("work/dst"), ConflictPolicy::ask, [&](Step step) {
            if (step == Step::placed)
                writeFile("work/src/late.txt", "late");
        });
    });
    EXPECT_EQ(text, "Destination was copied, but the source changed and was preserved. Review both locations.");
    EXPECT_EQ(readFile(at("work/src/late.txt")), "late");
    EXPECT_EQ(readFile(at("work/dst/a.txt")), "alpha");
    EXPECT_FALSE(fs::exists(at("work/dst/late.txt")));
}

TEST_F(RequestExecutorTest, ANameTakenWhileCopyingIsAConflictUnlessReplacing)
{
    for (const ConflictPolicy policy : { ConflictPolicy::ask, ConflictPolicy::skip, ConflictPolicy::keepBoth,
                                         ConflictPolicy::replace }) {
        SCOPED_TRACE(toString(policy).toStdString());
        fs::remove_all(at("work"));
        writeFile("work/a.txt", "mine");
        fs::create_directory(at("work/out"));
        const FileOutcome outcome = run(FileAction::move, at("work/a.txt"), at("work/out/a.txt"), policy, [&](Step step) {
            if (step == Step::verified)
                writeFile("work/out/a.txt", "intruder");
        });
        if (policy == ConflictPolicy::replace) {
            EXPECT_EQ(outcome, FileOutcome::completed(at("work/out/a.txt")));
            EXPECT_EQ(readFile(at("work/out/a.txt")), "mine");
            EXPECT_EQ(readFile(at("data/Trash/files/a.txt")), "intruder");
            EXPECT_FALSE(fs::exists(at("work/a.txt")));
        } else {
            EXPECT_EQ(outcome, FileOutcome::conflict(at("work/out/a.txt")));
            EXPECT_EQ(readFile(at("work/out/a.txt")), "intruder");
            EXPECT_EQ(readFile(at("work/a.txt")), "mine");
        }
    }
}

TEST_F(RequestExecutorTest, ANamedPipeInTheTreeIsUnsupportedAndLeavesTheDestinationAsItWas)
{
    makeTree("work/src");
    ASSERT_EQ(::mkfifo(at("work/src/sub/pipe").c_str(), 0600), 0);
    writeFile("work/out/keep", "k");
    const Manifest before = Manifest::of(at("work/out"));
    const std::string text = expectFailure(FileFailure::Kind::unsupportedItem,
                                           [&] { run(FileAction::move, at("work/src"), at("work/out/src")); });
    EXPECT_EQ(text, "This special filesystem item cannot be copied: “" + at("work/src/sub/pipe").native() + "”.");
    EXPECT_EQ(Manifest::of(at("work/out")), before);
    EXPECT_TRUE(fs::exists(at("work/src/a.txt")));
}

// A move out of a read-only volume: the verified copy stays, and the message says it is there.
TEST_F(RequestExecutorTest, AMoveOutOfAReadOnlyVolumeSaysTheCopyIsComplete)
{
    fs::create_directories(at("volume"));
    fs::create_directories(at("work"));
    if (::mount("bramblet-test", at("volume").c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a file system here: " << std::strerror(errno);
    writeFile("volume/doc.txt", "on a read-only volume");
    const bool readOnly = ::mount(nullptr, at("volume").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    std::string text;
    if (readOnly) {
        text = expectFailure(FileFailure::Kind::system,
                             [&] { run(FileAction::move, at("volume/doc.txt"), at("work/doc.txt")); });
    }
    const std::string copied = readFile(at("work/doc.txt"));
    const std::string original = readFile(at("volume/doc.txt"));
    ::umount2(at("volume").c_str(), MNT_DETACH);
    ASSERT_TRUE(readOnly) << "cannot remount read-only: " << std::strerror(errno);
    EXPECT_EQ(text,
              "The copy is complete at “" + at("work/doc.txt").native() + "”; the original could not be removed. "
              "Couldn’t write in the folder “" + at("volume").native() + "”: Read-only file system.");
    EXPECT_EQ(copied, "on a read-only volume");
    EXPECT_EQ(original, "on a read-only volume");
}

TEST_F(RequestExecutorTest, FailureMessagesNameTheItemAndTheRealCause)
{
    fs::create_directories(at("work/out"));
    ASSERT_EQ(::mkfifo(at("work/fifo").c_str(), 0600), 0);
    writeFile("work/a.txt", "a");
    std::string tooLong = at("work").native();
    while (tooLong.size() <= PATH_MAX)
        tooLong += "/" + std::string(200, 'x');
    struct Case {
        const char* what;
        FileAction action;
        fs::path source;
        fs::path destination;
        std::string text;
    };
    const Case cases[] = {
        { "special item", FileAction::copy, at("work/fifo"), at("work/out/fifo"),
          "This special filesystem item cannot be copied: “" + at("work/fifo").native() + "”." },
        { "path longer than the system takes", FileAction::move, tooLong, at("work/out/x"),
          "Couldn’t read the attributes of “" + tooLong + "”: File name too long" },
        { "name with a line break", FileAction::rename, at("work/a.txt"), at("work/a\nb.txt"),
          "Use a name without slashes or control characters." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            run(c.action, c.source, c.destination);
            ADD_FAILURE() << "the request did not fail";
        } catch (const std::exception& failure) {
            EXPECT_EQ(failure.what(), c.text);
        }
    }
}

// The staging folder beside the destination adds nothing to the length of the paths it builds:
// a tree whose deepest path is just within the system's limit is copied and moved.
TEST_F(RequestExecutorTest, ATreeAsDeepAsTheSystemAllowsIsCopiedAndMoved)
{
    std::string deepest = "s";
    while (at(deepest).native().size() < PATH_MAX - 300)
        deepest += "/" + std::string(200, 'd');
    deepest += "/" + std::string(PATH_MAX - 7 - at(deepest).native().size(), 'f');
    ASSERT_EQ(at(deepest).native().size(), size_t(PATH_MAX - 6));
    writeFile(deepest, "deep");
    writeFile("s/top.txt", "top");
    const Manifest source = Manifest::of(at("s"));

    EXPECT_EQ(run(FileAction::copy, at("s"), at("t")), FileOutcome::completed(at("t")));
    EXPECT_EQ(Manifest::of(at("t")), source);
    EXPECT_EQ(run(FileAction::move, at("t"), at("u")), FileOutcome::completed(at("u")));
    EXPECT_EQ(Manifest::of(at("u")), source);
    EXPECT_FALSE(fs::exists(at("t")));
}

TEST_F(RequestExecutorTest, LinksAreCopiedAsLinksEvenWhenDangling)
{
    fs::create_directories(at("work/out"));
    fs::create_symlink("../nowhere", at("work/dangling"));
    EXPECT_EQ(run(FileAction::copy, at("work/dangling"), at("work/out/dangling")),
              FileOutcome::completed(at("work/out/dangling")));
    EXPECT_EQ(fs::read_symlink(at("work/out/dangling")), "../nowhere");
}

TEST_F(RequestExecutorTest, TheDestinationFolderIsResolvedThroughLinks)
{
    writeFile("work/a.txt", "a");
    fs::create_directories(at("work/real"));
    fs::create_directory_symlink("real", at("work/alias"));
    EXPECT_EQ(run(FileAction::copy, at("work/a.txt"), at("work/alias/a.txt")),
              FileOutcome::completed(fs::canonical(at("work/real")) / "a.txt"));
    // Moving a file onto itself through the alias is the same location.
    expectFailure(FileFailure::Kind::sameLocation,
                  [&] { run(FileAction::move, at("work/real/a.txt"), at("work/alias/a.txt"), ConflictPolicy::replace); });
}

TEST_F(RequestExecutorTest, CreateFolderNeverReplaces)
{
    fs::create_directory(at("work"));
    EXPECT_EQ(run(FileAction::createFolder, {}, at("work/New")), FileOutcome::completed(at("work/New")));
    EXPECT_TRUE(fs::is_directory(at("work/New")));
    writeFile("work/New/inside", "x");
    for (const ConflictPolicy policy : allConflictPolicies) {
        SCOPED_TRACE(toString(policy).toStdString());
        EXPECT_EQ(run(FileAction::createFolder, {}, at("work/New"), policy), FileOutcome::conflict(at("work/New")));
    }
    EXPECT_EQ(readFile(at("work/New/inside")), "x");
    expectFailure(FileFailure::Kind::invalidName, [&] { run(FileAction::createFolder, {}, at("work/a\x01b")); });
    try {
        run(FileAction::createFolder, {}, at("work/missing/New"));
        ADD_FAILURE() << "missing parents were created";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
}

TEST_F(RequestExecutorTest, TrashMovesTheItemToTheTrashAndPassesOnTheSystemsError)
{
    makeTree("work/old");
    EXPECT_EQ(run(FileAction::trash, at("work/old"), {}), FileOutcome::completed(at("work/old")));
    EXPECT_FALSE(fs::exists(at("work/old")));
    EXPECT_EQ(trashedNames(), std::vector<std::string> { "old" });
    try {
        run(FileAction::trash, at("work/old"), {});
        ADD_FAILURE() << "trashing a missing item succeeded";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
}

// Without a usable Trash folder the item must stay where it was and the request fail, not land in
// a "files" folder under whatever the current folder is.
TEST_F(RequestExecutorTest, TrashWithoutATrashFolderLeavesTheItemInPlace)
{
    writeFile("work/a.txt", "a");
    fs::create_directory(at("cwd"));
    const QString savedCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(at("cwd").string())));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(at("missing/share").string()));

    const std::string text = expectFailure(FileFailure::Kind::system, [&] { run(FileAction::trash, at("work/a.txt"), {}); });
    QDir::setCurrent(savedCurrent);
    EXPECT_NE(text.find("a.txt"), std::string::npos) << text;
    EXPECT_EQ(readFile(at("work/a.txt")), "a");
    EXPECT_TRUE(fs::is_empty(at("cwd")));
}

TEST_F(RequestExecutorTest, ACancelledRequestDoesNotStart)
{
    writeFile("work/a.txt", "a");
    const Cancellation cancelled([] { return true; });
    const Manifest before = snapshot();
    expectFailure(FileFailure::Kind::cancelled, [&] {
        RequestExecutor().execute({ FileAction::move, at("work/a.txt"), at("work/b.txt"), ConflictPolicy::ask }, cancelled);
    });
    EXPECT_EQ(snapshot(), before);
}

} // namespace
} // namespace bramblet
