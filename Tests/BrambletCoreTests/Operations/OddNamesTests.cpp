// Names that are hard on a file manager, through trash, copy with Keep Both and search; what the
// Trash holds is read back with the desktop's own trash tools.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Files/FileSearch.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/FileNames.h"
#include "BrambletCore/Operations/RequestExecutor.h"
#include "BrambletCore/Operations/Trash.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

struct OddName {
    const char* label;
    std::string name;
    // trash-cli decodes a record's path as UTF-8 with replacement characters, so it can list such
    // an item but restores it under a changed name.
    bool utf8 = true;
};

const OddName oddNames[] = {
    { "invalid UTF-8", "x-\xff.txt", false },
    { "percent escape", "rate 50%41.txt" },
    { "encoded slash", "dir%2Fname.txt" },
    { "line break", "two\nlines.txt" },
    { "backslash", "back\\slash.txt" },
    { "leading dash", "-dash.txt" },
    { "leading dash only", "--" },
};

class OddNamesTest : public OperationsFixture {
protected:
    const Cancellation notCancelled { {} };

    FileOutcome run(FileAction action, const fs::path& source, const fs::path& destination,
                    ConflictPolicy policy = ConflictPolicy::ask) const
    {
        return RequestExecutor().execute({ action, source, destination, policy }, notCancelled);
    }

    // Runs one of the trash tools in `folder`, answering its question with `input`.
    static QString trashTool(const char* tool, const QStringList& arguments, const fs::path& folder,
                             const QByteArray& input = {})
    {
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(folder.string()));
        process.start(QString::fromLatin1(tool), arguments);
        EXPECT_TRUE(process.waitForStarted()) << tool << " (package trash-cli) must be installed";
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished());
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // The record the Trash holds for the trashed name.
    std::string record(const std::string& trashedName) const
    {
        return readFile(at("data/Trash/info/" + trashedName + ".trashinfo"));
    }
};

TEST_F(OddNamesTest, TrashedItemsAreListedAndRestoredByTheDesktopsTools)
{
    int folder = 0;
    for (const OddName& odd : oddNames) {
        SCOPED_TRACE(odd.label);
        const std::string place = "work/" + std::to_string(++folder);
        const fs::path item = writeFile(place + "/" + odd.name, "content of " + odd.name);
        run(FileAction::trash, item, {});
        ASSERT_FALSE(fs::exists(fs::symlink_status(item)));
        EXPECT_EQ(readFile(at("data/Trash/files") / odd.name), "content of " + odd.name);
        EXPECT_NE(record(odd.name).find("\nPath=" + trashInfoPath(item.native()) + "\n"), std::string::npos);

        const QString listed = trashTool("trash-list", {}, at(place));
        if (!odd.utf8)
            continue;
        EXPECT_TRUE(listed.contains(QString::fromStdString(" " + item.native() + "\n"))) << listed.toStdString();
        trashTool("trash-restore", { QString::fromStdString(at(place).native() + "/") }, at(place), "0\n");
        EXPECT_EQ(readFile(item), "content of " + odd.name);
        EXPECT_FALSE(fs::exists(at("data/Trash/files") / odd.name));
    }
}

TEST_F(OddNamesTest, RecordsPercentEncodeEveryByteThatIsNotPlain)
{
    EXPECT_EQ(trashInfoPath("/home/me/rate 50%41.txt"), "/home/me/rate%2050%2541.txt");
    EXPECT_EQ(trashInfoPath("/a/dir%2Fname"), "/a/dir%252Fname");
    EXPECT_EQ(trashInfoPath("/a/two\nlines\\x"), "/a/two%0Alines%5Cx");
    EXPECT_EQ(trashInfoPath("/a/x-\xff\xc3\xa9"), "/a/x-%FF%C3%A9");
    EXPECT_EQ(trashInfoPath("/a/-_.~!$&'()*+,;=:@"), "/a/-_.~!$&'()*+,;=:@");
}

TEST_F(OddNamesTest, TheItemWithTheExactBytesIsTrashedBesideItsLookAlike)
{
    // The same name decoded with a replacement character: a decoding round trip would pick it.
    const fs::path invalid = writeFile("work/x-\xff.txt", "the invalid one");
    const fs::path lookAlike = writeFile("work/x-\xef\xbf\xbd.txt", "the look-alike");
    run(FileAction::trash, invalid, {});
    EXPECT_FALSE(fs::exists(invalid));
    EXPECT_EQ(readFile(lookAlike), "the look-alike");
    EXPECT_EQ(trashedNames(), std::vector<std::string> { "x-\xff.txt" });
}

TEST_F(OddNamesTest, ADanglingLinkIsTrashedAsALink)
{
    fs::create_directory(at("work"));
    fs::create_symlink("missing-target", at("work/dangling"));
    run(FileAction::trash, at("work/dangling"), {});
    EXPECT_FALSE(fs::exists(fs::symlink_status(at("work/dangling"))));
    EXPECT_EQ(fs::read_symlink(at("data/Trash/files/dangling")), "missing-target");
}

TEST_F(OddNamesTest, TrashingTheSameNameTwiceKeepsBothWithTheirOwnRecords)
{
    writeFile("work/a.txt", "first");
    run(FileAction::trash, at("work/a.txt"), {});
    writeFile("work/a.txt", "second");
    run(FileAction::trash, at("work/a.txt"), {});
    EXPECT_EQ(readFile(at("data/Trash/files/a.txt")), "first");
    EXPECT_EQ(readFile(at("data/Trash/files/a_02.txt")), "second");
    EXPECT_NE(record("a_02.txt").find("\nPath=" + at("work/a.txt").native() + "\n"), std::string::npos);
}

TEST_F(OddNamesTest, KeepBothNumbersTheNameOnItsBytes)
{
    for (const OddName& odd : oddNames) {
        SCOPED_TRACE(odd.label);
        const fs::path source = writeFile("in/" + odd.name, "new " + odd.name);
        writeFile("out/" + odd.name, "old");
        const FileOutcome outcome = run(FileAction::copy, source, at("out") / odd.name, ConflictPolicy::keepBoth);
        const fs::path expected = at("out") / numberedName(odd.name, 2);
        EXPECT_EQ(outcome, FileOutcome::completed(expected));
        EXPECT_EQ(readFile(expected), "new " + odd.name);
        EXPECT_EQ(readFile(at("out") / odd.name), "old");
    }
}

TEST_F(OddNamesTest, SearchFindsEachNameAsItIs)
{
    for (const OddName& odd : oddNames)
        writeFile("tree/" + odd.name, "x");
    const NameIndex noIndex { "/nonexistent/index-tool", std::nullopt };
    for (const OddName& odd : oddNames) {
        SCOPED_TRACE(odd.label);
        const QList<FileItem> found = searchFolder(noIndex, at("tree"), pathString(odd.name), false, notCancelled);
        std::vector<fs::path> paths;
        for (const FileItem& item : found)
            paths.push_back(item.url);
        EXPECT_NE(std::find(paths.begin(), paths.end(), at("tree") / odd.name), paths.end());
    }
}

} // namespace
} // namespace bramblet
