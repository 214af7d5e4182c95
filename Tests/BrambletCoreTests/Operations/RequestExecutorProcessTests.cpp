#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/RequestExecutor.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <set>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

class RequestExecutorProcessTest : public OperationsFixture {
protected:
    static QProcess* startCopy(QProcess& process, const fs::path& source, const fs::path& destination,
                               const QStringList& extra = {})
    {
        process.start(QStringLiteral(BRAMBLET_COPY_CHILD),
                      QStringList { QString::fromStdString(source.string()), QString::fromStdString(destination.string()) }
                          + extra);
        EXPECT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
        return &process;
    }

    // Root may write anywhere, so the child gives its privileges up; everything it has to reach
    // is opened to others.
    void startUnprivilegedCopy(QProcess& process, const fs::path& source, const fs::path& destination) const
    {
        ::chmod(at("").c_str(), 0755);
        startCopy(process, source, destination, { QStringLiteral("--unprivileged") });
        EXPECT_TRUE(process.waitForFinished());
    }

    static std::vector<std::string> namesIn(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(RequestExecutorProcessTest, AKilledCopyLeavesOnlyAHiddenStagingFolderAndTheSourceIntact)
{
    // Large enough that the copy and the three passes of hashing take a while.
    constexpr int megabytes = 256;
    {
        std::ofstream out(at("big"), std::ios::binary);
        std::string block(1 << 20, '\0');
        for (int i = 0; i < megabytes; ++i) {
            for (size_t j = 0; j < block.size(); j += 4096)
                block[j] = static_cast<char>(i + j / 4096);
            out << block;
        }
    }
    fs::create_directory(at("out"));
    writeFile("out/neighbour", "n");
    const Manifest sourceBefore = Manifest::of(at("big"));

    QProcess child;
    startCopy(child, at("big"), at("out/big"));
    fs::path payload;
    QElapsedTimer timer;
    timer.start();
    // Kill the child as soon as the copy has begun to arrive in the staging folder.
    while (child.state() == QProcess::Running && timer.elapsed() < 60000) {
        for (const fs::path& staging : leftStagingFolders()) {
            std::error_code error;
            if (fs::file_size(staging / "payload", error) > 0 && !error)
                payload = staging / "payload";
        }
        if (!payload.empty())
            break;
        QThread::usleep(200);
    }
    ASSERT_FALSE(payload.empty()) << "the copy was never seen in progress";
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    const std::vector<std::string> left = namesIn(at("out"));
    ASSERT_EQ(left.size(), 2u);
    const std::string staging = left[0] == "neighbour" ? left[1] : left[0];
    EXPECT_TRUE(staging.starts_with(".bramblet-")) << staging;
    EXPECT_FALSE(fs::exists(at("out/big")));
    EXPECT_EQ(Manifest::of(at("big")), sourceBefore);

    // The next request that writes into the folder removes what the killed one left.
    writeFile("small.txt", "s");
    RequestExecutor().execute({ FileAction::copy, at("small.txt"), at("out/small.txt"), ConflictPolicy::ask },
                              Cancellation({}));
    const std::vector<std::string> names = namesIn(at("out"));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), (std::set<std::string> { "neighbour", "small.txt" }));
}

TEST_F(RequestExecutorProcessTest, AnUnwritableDestinationFolderGivesTheSystemsErrorAndNothingHalfWritten)
{
    writeFile("source.txt", "content");
    fs::create_directory(at("out"));
    ::chmod(at("source.txt").c_str(), 0644);
    ::chmod(at("out").c_str(), 0555);

    QProcess child;
    startUnprivilegedCopy(child, at("source.txt"), at("out/source.txt"));
    if (child.exitCode() == 77)
        GTEST_SKIP() << "running as root and no unprivileged user to run the copy as";
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 1) << output.toStdString();
    // Named by the folder the user chose, not by the hidden staging folder.
    EXPECT_TRUE(output.startsWith(QStringLiteral("failure Couldn’t write in the folder “%1”")
                                      .arg(QString::fromStdString(at("out").string()))))
        << output.toStdString();
    EXPECT_TRUE(output.contains(u": Permission denied")) << output.toStdString();
    EXPECT_TRUE(namesIn(at("out")).empty());
    EXPECT_EQ(readFile(at("source.txt")), "content");
    ::chmod(at("out").c_str(), 0755);
}

TEST_F(RequestExecutorProcessTest, AReadOnlyFolderIsPlacedAndKeepsItsPermissionsWithoutPrivileges)
{
    writeFile("locked/inside.txt", "content");
    fs::create_directory(at("out"));
    ::chmod(at("locked/inside.txt").c_str(), 0444);
    ::chmod(at("locked").c_str(), 0555);
    ::chmod(at("out").c_str(), 0777);

    QProcess child;
    startUnprivilegedCopy(child, at("locked"), at("out/locked"));
    if (child.exitCode() == 77)
        GTEST_SKIP() << "running as root and no unprivileged user to run the copy as";
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    struct stat status {};
    ASSERT_EQ(::stat(at("out/locked").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0555u);
    EXPECT_EQ(readFile(at("out/locked/inside.txt")), "content");
    EXPECT_EQ(namesIn(at("out")), std::vector<std::string> { "locked" });
}

// A tree with a subfolder the user may not empty (another user's, here root's): everything else
// goes, what stays is put back under the source's name, and the move says it did not finish.
TEST_F(RequestExecutorProcessTest, AMoveThatCannotRemoveAllOfItsSourceSaysSoAndPutsTheRestBack)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a folder the user may not empty needs another user's, which only root can make";
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no unprivileged user to run the move as";
    writeFile("src/tree/a.txt", "a");
    writeFile("src/tree/sub/b.txt", "b");
    writeFile("src/tree/locked/x.txt", "x");
    writeFile("src/tree/locked/y.txt", "y");
    fs::create_directory(at("out"));
    for (const char* mine : { "src", "src/tree", "src/tree/a.txt", "src/tree/sub", "src/tree/sub/b.txt", "out" })
        ASSERT_EQ(::chown(at(mine).c_str(), nobody->pw_uid, nobody->pw_gid), 0) << mine;
    ::chmod(at("src/tree/locked").c_str(), 0755);
    const Manifest source = Manifest::of(at("src/tree"));

    QProcess child;
    ::chmod(at("").c_str(), 0755);
    startCopy(child, at("src/tree"), at("out/tree"), { QStringLiteral("--unprivileged"), QStringLiteral("--action"), QStringLiteral("move") });
    ASSERT_TRUE(child.waitForFinished());
    ASSERT_NE(child.exitCode(), 77) << "could not become the unprivileged user";
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 1) << output.toStdString();
    const QString expected = QStringLiteral("failure The copy is complete at “%1”; the original could not be removed. "
                                            "Couldn’t remove from “%2”: ")
                                 .arg(QString::fromStdString(at("out/tree")), QString::fromStdString(at("src")));
    EXPECT_TRUE(output.startsWith(expected)) << output.toStdString();
    for (const char* stayed : { "“tree/locked/x.txt” (Permission denied)", "“tree/locked/y.txt” (Permission denied)" })
        EXPECT_TRUE(output.contains(QString::fromUtf8(stayed))) << output.toStdString();
    EXPECT_EQ(Manifest::of(at("out/tree")), source);
    EXPECT_EQ(namesIn(at("src")), std::vector<std::string> { "tree" });
    EXPECT_EQ(namesIn(at("src/tree")), std::vector<std::string> { "locked" });
    EXPECT_EQ(readFile(at("src/tree/locked/x.txt")), "x");
}

} // namespace
} // namespace bramblet
