#include "PaneTestSupport.h"

#include "Bramblet/Pane/GitStatus.h"
#include "Bramblet/Theme/Theme.h"

#include <QProcess>

namespace bramblet::testing {
namespace {

TEST(GitStatusParsing, ReducesPorcelainLinesToOneCodePerItemName)
{
    const QStringList lines = {
        QStringLiteral("?? work/x"),
        QStringLiteral(" M work/sub/deep/y"),
        QStringLiteral("A  work/added.txt"),
        QStringLiteral("AM work/both.txt"),
        QStringLiteral(" D work/sub/gone"),              // the last path inside sub wins
        QStringLiteral("R  work/old -> work/new"),      // kept as written
        QStringLiteral("?? \"work/caf\\303\\251\""), // quoted: names nothing here
        QStringLiteral(" M outside"),
        QStringLiteral(" M workshop/z"),
        QStringLiteral(" M work/"),                      // no name below the folder
        QStringLiteral("?? "),                           // three characters
        QStringLiteral("   work/only-blanks"),
    };
    const auto statuses = GitStatus::statusesFromPorcelain(QStringLiteral("/repo"), QStringLiteral("/repo/work"), lines);
    const QHash<QString, QString> expected {
        { QStringLiteral("x"), QStringLiteral("??") },
        { QStringLiteral("sub"), QStringLiteral("D") },
        { QStringLiteral("added.txt"), QStringLiteral("A") },
        { QStringLiteral("both.txt"), QStringLiteral("AM") },
        { QStringLiteral("old -> work"), QStringLiteral("R") },
        { QStringLiteral("only-blanks"), QStringLiteral("M") },
    };
    EXPECT_EQ(statuses, expected);
}

TEST(GitStatusBadges, FirstMatchingRuleWins)
{
    using Theme::SystemColor;
    struct Case {
        const char* code;
        const char* letter;
        AdaptiveColor color;
    };
    const Case cases[] = {
        { "??", "U", Theme::amber() },
        { "D", "D", Theme::systemColor(SystemColor::red) },
        { "AD", "D", Theme::systemColor(SystemColor::red) },
        { "A", "A", Theme::systemColor(SystemColor::green) },
        { "AM", "A", Theme::systemColor(SystemColor::green) },
        { "RM", "R", Theme::systemColor(SystemColor::blue) },
        { "M", "M", Theme::systemColor(SystemColor::orange) },
        { "?", "M", Theme::systemColor(SystemColor::orange) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const auto badge = GitStatus::gitBadge(QString::fromLatin1(c.code));
        EXPECT_EQ(badge.letter, QString::fromLatin1(c.letter));
        EXPECT_EQ(badge.color, c.color);
    }
}

TEST(GitStatusRun, GivesNothingForAFailedOrMissingTool)
{
    EXPECT_EQ(GitStatus::run(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), QStringLiteral("printf 'a\\n\\nb\\n'") }),
              QStringList({ "a", "b" }));
    EXPECT_TRUE(GitStatus::run(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), QStringLiteral("echo out; exit 3") }).isEmpty());
    EXPECT_TRUE(GitStatus::run(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), QStringLiteral("printf '\\377\\n'") }).isEmpty());
    EXPECT_TRUE(GitStatus::run(QStringLiteral("/nonexistent/git"), {}).isEmpty());
    // Output far larger than a pipe holds, with as much on the error output, arrives whole.
    const QStringList many = GitStatus::run(
        QStringLiteral("/bin/sh"), { QStringLiteral("-c"), QStringLiteral("i=0; while [ $i -lt 20000 ]; do echo line$i; echo err$i >&2; i=$((i+1)); done") });
    EXPECT_EQ(many.size(), 20000);
}

// A real repository made with a configuration of its own: no user or system settings reach the
// git commands the test and the pane run.
class GitRepositoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "GIT_CONFIG_GLOBAL", "GIT_CONFIG_NOSYSTEM" })
            saved.append({ name, qgetenv(name), qEnvironmentVariableIsSet(name) });
        qputenv("GIT_CONFIG_GLOBAL", "/dev/null");
        qputenv("GIT_CONFIG_NOSYSTEM", "1");
        git({ "init", "-q" });
        tree.file(QStringLiteral("tracked.txt"), "one");
        tree.file(QStringLiteral("sub/y"), "one");
        tree.file(QStringLiteral("sub/clean"), "one");
        git({ "add", "." });
        git({ "-c", "user.name=Test", "-c", "user.email=test@example.com", "commit", "-q", "-m", "start" });
    }

    void TearDown() override
    {
        for (const auto& [name, value, wasSet] : saved) {
            if (wasSet)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }

    void git(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(tree.path());
        process.start(QStringLiteral("/usr/bin/git"), arguments);
        ASSERT_TRUE(process.waitForFinished(30000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }

    static QHash<QString, QString> statuses(const QString& folder)
    {
        auto future = GitStatus::loadGitStatuses(pathFromString(folder));
        future.waitForFinished();
        return future.result();
    }

    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    QList<Saved> saved;
    TempTree tree;
};

TEST_F(GitRepositoryTest, ReportsChangedItemsOfTheFolderByName)
{
    tree.file(QStringLiteral("x"), "new");
    tree.file(QStringLiteral("sub/y"), "two");
    tree.file(QStringLiteral("staged.txt"), "new");
    git({ "add", "staged.txt" });
    EXPECT_EQ(statuses(tree.path()), (QHash<QString, QString> { { "x", "??" }, { "sub", "M" }, { "staged.txt", "A" } }));
    // Below the root, names are relative to the folder and only its paths count.
    EXPECT_EQ(statuses(tree / QStringLiteral("sub")), (QHash<QString, QString> { { "y", "M" } }));
}

TEST_F(GitRepositoryTest, ARepositorysOwnFsmonitorCommandNeverRuns)
{
    const QString marker = tree / QStringLiteral("fsmonitor-ran");
    tree.file(QStringLiteral("hook.sh"), QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(tree / QStringLiteral("hook.sh"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    git({ "config", "core.fsmonitor", tree / QStringLiteral("hook.sh") });
    tree.file(QStringLiteral("sub/y"), "two");
    EXPECT_EQ(statuses(tree.path()).value(QStringLiteral("sub")), QStringLiteral("M"));
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(GitRepositoryTest, AFolderOutsideAnyRepositoryHasNoBadges)
{
    TempTree outside;
    outside.file(QStringLiteral("a"));
    EXPECT_TRUE(statuses(outside.path()).isEmpty());
}

TEST_F(GitRepositoryTest, ThePaneShowsTheBadgesOfItsListing)
{
    tree.file(QStringLiteral("x"), "new");
    PaneController pane(tree.path(), PaneMode::list);
    pane.refresh();
    ASSERT_TRUE(eventually([&] { return pane.visible().size() == 3; }));
    EXPECT_EQ(pane.gitStatuses(), (QHash<QString, QString> { { "x", "??" } }));
    const PaneListModel& model = *pane.listModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QVariant code = model.index(row, PaneListModel::nameColumn).data(PaneListModel::gitCodeRole);
        SCOPED_TRACE(model.items()[row].name.toStdString());
        EXPECT_EQ(code.isValid(), model.items()[row].name == u"x");
    }
}

} // namespace
} // namespace bramblet::testing
