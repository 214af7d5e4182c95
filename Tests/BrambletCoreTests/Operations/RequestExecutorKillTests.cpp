// A request killed at each of its steps, in a process of its own: every item stays whole, under
// its name or in the Trash, nothing partial ever has a final name, and the next request in the
// folder sweeps what the killed one left.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/RequestExecutor.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "BrambletCore/Operations/Trash.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <random>

namespace bramblet {
namespace {

namespace fs = std::filesystem;
using Step = RequestExecutor::Step;

class RequestExecutorKillTest : public OperationsFixture {
protected:
    // Runs the request in the child, which kills itself on reaching `step`.
    static void runKilledAt(Step step, FileAction action, const fs::path& source, const fs::path& destination,
                            ConflictPolicy policy = ConflictPolicy::ask)
    {
        QProcess child;
        child.start(QStringLiteral(BRAMBLET_COPY_CHILD),
                    { QString::fromStdString(source.native()), QString::fromStdString(destination.native()),
                      QStringLiteral("--action"), toString(action), QStringLiteral("--policy"), toString(policy),
                      QStringLiteral("--kill-at"), QString::number(static_cast<int>(step)) });
        ASSERT_TRUE(child.waitForStarted()) << child.errorString().toStdString();
        ASSERT_TRUE(child.waitForFinished());
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << "never reached the step; it printed "
                                                          << child.readAllStandardOutput().toStdString();
    }

    // A request in-process that writes into `folder`, as the next one after a crash would.
    void writeInto(const fs::path& folder) const
    {
        const fs::path note = writeFile("note.txt", "n");
        RequestExecutor().execute({ FileAction::copy, note, folder / "note.txt", ConflictPolicy::replace },
                                  Cancellation({}));
    }

    std::vector<std::string> namesIn(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().native());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A folder with content enough to tell a whole copy from a partial one.
    Manifest makeTree(const std::string& relative) const
    {
        for (int i = 0; i < 20; ++i)
            writeFile(relative + "/sub/file-" + std::to_string(i), std::string(size_t(1000 + i), char('a' + i)));
        writeFile(relative + "/top.txt", "top");
        return Manifest::of(at(relative));
    }

    // The names the Trash's records stand for, sorted.
    std::vector<std::string> trashRecords() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(at("data/Trash/info"), error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().native();
            if (name.ends_with(".trashinfo"))
                names.push_back(name.substr(0, name.size() - std::string_view(".trashinfo").size()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The manifests of what the Trash holds.
    std::vector<Manifest> trashed() const
    {
        std::vector<Manifest> manifests;
        for (const std::string& name : trashedNames())
            manifests.push_back(Manifest::of(at("data/Trash/files") / name));
        return manifests;
    }
};

TEST_F(RequestExecutorKillTest, AKilledCopyLeavesNothingUnderTheNameAndItsLeftoversAreSwept)
{
    const Manifest source = makeTree("in/tree");
    fs::create_directory(at("out"));
    for (const Step step : { Step::staged, Step::copied, Step::verified }) {
        SCOPED_TRACE(static_cast<int>(step));
        runKilledAt(step, FileAction::copy, at("in/tree"), at("out/tree"));
        EXPECT_FALSE(fs::exists(at("out/tree")));
        EXPECT_EQ(leftStagingFolders().size(), 1u);
        EXPECT_EQ(Manifest::of(at("in/tree")), source);
        writeInto(at("out"));
        EXPECT_EQ(namesIn(at("out")), std::vector<std::string> { "note.txt" });
    }
}

TEST_F(RequestExecutorKillTest, TheSweepLeavesAStagingFolderThatIsInUse)
{
    fs::create_directory(at("out"));
    {
        const StagingFolder running(at("out"));
        fs::create_directory(running.payload());
        writeInto(at("out"));
        EXPECT_TRUE(fs::exists(running.payload()));
    }
    EXPECT_EQ(namesIn(at("out")), std::vector<std::string> { "note.txt" });
}

TEST_F(RequestExecutorKillTest, AKilledMoveLeavesTheWholeSourceOrNoneOfIt)
{
    fs::create_directory(at("out"));
    for (const Step step : { Step::verified, Step::placed, Step::sourceHidden }) {
        SCOPED_TRACE(static_cast<int>(step));
        const Manifest source = makeTree("in/tree");
        runKilledAt(step, FileAction::move, at("in/tree"), at("out/tree"));
        if (fs::exists(at("in/tree"))) {
            EXPECT_EQ(Manifest::of(at("in/tree")), source);
        } else {
            EXPECT_EQ(Manifest::of(at("out/tree")), source);
        }
        if (fs::exists(at("out/tree"))) {
            EXPECT_EQ(Manifest::of(at("out/tree")), source);
        }
        writeInto(at("in"));
        writeInto(at("out"));
        EXPECT_TRUE(leftStagingFolders().empty());
        fs::remove_all(at("in"));
        fs::remove_all(at("out"));
        fs::create_directory(at("out"));
    }
}

// Whatever the step, after the start-up sweep the old item is in place or in the Trash under its
// own record, and no record stands for the copy or for nothing.
TEST_F(RequestExecutorKillTest, AKilledReplaceKeepsTheOldItemInPlaceOrInTheTrash)
{
    fs::create_directory(at("out"));
    for (const Step step : { Step::verified, Step::readyToExchange, Step::displaced, Step::placed }) {
        SCOPED_TRACE(static_cast<int>(step));
        fs::remove_all(at("data/Trash"));
        const Manifest incoming = makeTree("in/tree");
        writeFile("out/tree/old.txt", "the old item");
        const Manifest old = Manifest::of(at("out/tree"));
        runKilledAt(step, FileAction::copy, at("in/tree"), at("out/tree"), ConflictPolicy::replace);
        StagingFolder::sweepRecorded();
        removeIncompleteTrashRecords();

        const Manifest now = Manifest::of(at("out/tree"));
        if (now == old) {
            EXPECT_TRUE(trashed().empty());
        } else {
            EXPECT_EQ(now, incoming);
            EXPECT_EQ(trashed(), std::vector<Manifest> { old });
        }
        EXPECT_EQ(trashRecords(), trashedNames());
        for (const std::string& name : trashRecords())
            EXPECT_NE(readFile(at("data/Trash/info") / (name + ".trashinfo")).find("\nPath=" + trashInfoPath(at("out/tree").native()) + "\n"),
                      std::string::npos);
        EXPECT_TRUE(leftStagingFolders().empty());
        fs::remove_all(at("in"));
        fs::remove_all(at("out/tree"));
    }
}

// A Move to Trash killed between its record and the item's move: the item is in place, and our
// record without an item goes at the next trash operation or at start-up; another program's
// record is never touched, and no record is ever seen empty.
TEST_F(RequestExecutorKillTest, ATrashRecordWhoseItemNeverArrivedIsCleanedUp)
{
    const std::string othersRecord = "[Trash Info]\nPath=/elsewhere/other\nDeletionDate=2024-01-01T00:00:00\n";
    for (const bool atStartUp : { false, true }) {
        SCOPED_TRACE(atStartUp ? "start-up" : "next trash operation");
        fs::remove_all(at("data/Trash"));
        writeFile("data/Trash/info/other.trashinfo", othersRecord);
        // What a kill while our record was being written would leave: our temporary file only.
        writeFile("data/Trash/info/.bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA427.trashinfo.part", "");
        // One of ours for a deep path of non-ASCII names, longer than a first read takes in.
        std::string deepPath;
        while (deepPath.size() < 12000)
            deepPath += "/%C3%A9%C3%A9%C3%A9";
        writeFile("data/Trash/info/deep.trashinfo",
                  "[Trash Info]\nPath=" + deepPath + "\nDeletionDate=2024-01-01T00:00:00\nX-Bramblet-Record=true\n");
        writeFile("in/a.txt", "a");
        runKilledAt(Step::trashRecorded, FileAction::trash, at("in/a.txt"), at("in/a.txt"));
        EXPECT_EQ(readFile(at("in/a.txt")), "a");
        // The killed operation's own clean-up took the deep one before it wrote its record.
        EXPECT_EQ(trashRecords(), (std::vector<std::string> { "a.txt", "other" }));
        if (atStartUp) {
            removeIncompleteTrashRecords();
            EXPECT_EQ(trashRecords(), std::vector<std::string> { "other" });
        } else {
            writeFile("in/b.txt", "b");
            RequestExecutor().execute({ FileAction::trash, at("in/b.txt"), {}, ConflictPolicy::ask }, Cancellation({}));
            EXPECT_EQ(trashRecords(), (std::vector<std::string> { "b.txt", "other" }));
        }
        EXPECT_EQ(readFile(at("data/Trash/info/other.trashinfo")), othersRecord);
        for (const auto& entry : fs::directory_iterator(at("data/Trash/info")))
            EXPECT_TRUE(entry.path().extension() == ".trashinfo" && fs::file_size(entry.path()) > 0) << entry.path();
        fs::remove_all(at("in"));
    }
}

// A move killed once its source is hidden: the source comes back under its name when its copy is
// not complete at the destination, and goes when it is; the start-up sweep and a rerun of the
// move (which finds its source missing) both settle it.
TEST_F(RequestExecutorKillTest, AKilledMovesHiddenSourceIsPutBackOrRemovedAsItsDestinationSays)
{
    struct Case {
        const char* what;
        bool destinationDamaged;
        bool rerun; // else the start-up sweep
    };
    const Case cases[] = {
        { "complete destination, start-up", false, false },
        { "damaged destination, start-up", true, false },
        { "complete destination, rerun", false, true },
        { "damaged destination, rerun", true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directory(at("out"));
        const Manifest source = makeTree("in/tree");
        runKilledAt(Step::sourceHidden, FileAction::move, at("in/tree"), at("out/tree"));
        ASSERT_FALSE(fs::exists(at("in/tree")));
        if (c.destinationDamaged)
            fs::remove(at("out/tree/top.txt"));
        if (c.rerun) {
            try {
                const FileOutcome outcome = RequestExecutor().execute(
                    { FileAction::move, at("in/tree"), at("out/tree"), ConflictPolicy::replace }, Cancellation({}));
                EXPECT_TRUE(c.destinationDamaged) << "a completed move ran again";
                EXPECT_EQ(outcome, FileOutcome::completed(at("out/tree")));
                EXPECT_EQ(Manifest::of(at("out/tree")), source);
            } catch (const FileFailure& failure) {
                EXPECT_FALSE(c.destinationDamaged) << failure.what();
                EXPECT_EQ(failure.kind(), FileFailure::Kind::missingSource);
            }
            EXPECT_FALSE(fs::exists(at("in/tree")));
        } else {
            StagingFolder::sweepRecorded();
            if (c.destinationDamaged) {
                EXPECT_EQ(Manifest::of(at("in/tree")), source);
            } else {
                EXPECT_FALSE(fs::exists(at("in/tree")));
                EXPECT_EQ(Manifest::of(at("out/tree")), source);
            }
        }
        EXPECT_TRUE(leftStagingFolders().empty());
        StagingFolder::sweepRecorded();
        fs::remove_all(at("in"));
        fs::remove_all(at("out"));
        fs::remove_all(at("data/Trash"));
    }
}

// A rerun that ends before it stages anything (a conflict, a skip) still clears what the killed
// run left in the destination folder.
TEST_F(RequestExecutorKillTest, ARerunThatEndsInAConflictOrSkipSweepsTheDestinationFolder)
{
    makeTree("in/tree");
    fs::create_directory(at("out"));
    for (const ConflictPolicy policy : { ConflictPolicy::ask, ConflictPolicy::skip }) {
        SCOPED_TRACE(toString(policy).toStdString());
        runKilledAt(Step::copied, FileAction::copy, at("in/tree"), at("out/tree"));
        writeFile("out/tree", "taken meanwhile");
        ASSERT_EQ(leftStagingFolders().size(), 1u);
        const FileOutcome outcome
            = RequestExecutor().execute({ FileAction::copy, at("in/tree"), at("out/tree"), policy }, Cancellation({}));
        EXPECT_NE(outcome.kind, FileOutcome::Kind::completed);
        EXPECT_EQ(namesIn(at("out")), std::vector<std::string> { "tree" });
        fs::remove(at("out/tree"));
    }
}

// The workspace's service settles what a killed run left before its first request.
TEST_F(RequestExecutorKillTest, TheServiceSweepsWhatAKilledRunLeftAtStartUp)
{
    makeTree("in/tree");
    writeFile("in/a.txt", "a");
    fs::create_directory(at("out"));
    runKilledAt(Step::copied, FileAction::copy, at("in/tree"), at("out/tree"));
    runKilledAt(Step::trashRecorded, FileAction::trash, at("in/a.txt"), at("in/a.txt"));
    ASSERT_EQ(leftStagingFolders().size(), 1u);
    ASSERT_EQ(trashRecords(), std::vector<std::string> { "a.txt" });

    FileService service;
    service.sweepLeftovers().waitForFinished();
    EXPECT_TRUE(leftStagingFolders().empty());
    EXPECT_TRUE(trashRecords().empty());
    EXPECT_EQ(namesIn(at("out")), std::vector<std::string> {});
    EXPECT_EQ(readFile(at("in/a.txt")), "a");
}

// Kills at steps picked at random, in requests of every kind: after the start-up sweep no hidden
// folder is left, and every item is whole where it should be.
TEST_F(RequestExecutorKillTest, RandomKillsLeaveNothingHiddenAfterTheStartUpSweep)
{
    struct Kind {
        FileAction action;
        ConflictPolicy policy;
        std::vector<Step> steps;
    };
    const Kind kinds[] = {
        { FileAction::copy, ConflictPolicy::ask, { Step::staged, Step::copied, Step::verified } },
        { FileAction::move, ConflictPolicy::ask, { Step::staged, Step::copied, Step::verified, Step::placed, Step::sourceHidden } },
        { FileAction::rename, ConflictPolicy::ask, { Step::staged, Step::verified, Step::placed, Step::sourceHidden } },
        { FileAction::copy, ConflictPolicy::replace, { Step::staged, Step::verified, Step::readyToExchange, Step::displaced, Step::placed } },
        { FileAction::trash, ConflictPolicy::ask, { Step::trashRecorded } },
    };
    std::mt19937 random(62);
    for (int i = 0; i < 100; ++i) {
        const Kind& kind = kinds[random() % std::size(kinds)];
        const Step step = kind.steps[random() % kind.steps.size()];
        SCOPED_TRACE(toString(kind.action).toStdString() + " killed at " + std::to_string(static_cast<int>(step)));
        const std::string name = "item" + std::to_string(i);
        writeFile("in/" + name + "/a.txt", name);
        writeFile("in/" + name + "/sub/b.txt", std::string(size_t(5000 + i), 'b'));
        const Manifest source = Manifest::of(at("in") / name);
        const fs::path destination = kind.action == FileAction::rename ? at("in") / (name + "-renamed") : at("out") / name;
        if (kind.policy == ConflictPolicy::replace)
            writeFile("out/" + name, "old");
        fs::create_directories(at("out"));
        runKilledAt(step, kind.action, at("in") / name, destination, kind.policy);
        if (fs::exists(at("in") / name)) {
            EXPECT_EQ(Manifest::of(at("in") / name), source);
        } else {
            EXPECT_EQ(Manifest::of(destination), source);
        }
    }
    StagingFolder::sweepRecorded();
    removeIncompleteTrashRecords();
    EXPECT_TRUE(leftStagingFolders().empty());
    std::vector<std::string> inTrash = trashedNames();
    std::sort(inTrash.begin(), inTrash.end());
    EXPECT_EQ(trashRecords(), inTrash);
    for (const fs::path& folder : { at("in"), at("out") }) {
        for (const std::string& name : namesIn(folder))
            EXPECT_FALSE(name.starts_with(".")) << name;
    }
}

} // namespace
} // namespace bramblet
