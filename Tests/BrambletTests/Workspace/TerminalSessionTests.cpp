#include "Bramblet/Workspace/TerminalSession.h"

#include "Bramblet/Workspace/EmbeddedTerminalView.h"
#include "Workspace/TerminalTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace bramblet {
namespace {

using testing::EnvironmentOverride;
using testing::processEnded;
using testing::screenText;
using testing::sendText;
using testing::writeScript;

constexpr int timeoutMs = 20000;

class TerminalSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(m_folder.path()).mkpath("src")); }

    QString file(const QString& name) const { return m_folder.filePath(name); }
    std::filesystem::path folder() const { return file("src").toStdString(); }

    // A session whose shell is the script `body`.
    std::unique_ptr<TerminalSession> startScript(const QByteArray& body)
    {
        const QString shell = file("shell.sh");
        if (!writeScript(shell, body))
            return nullptr;
        EnvironmentOverride shellVariable("SHELL", shell.toUtf8());
        auto session = std::make_unique<TerminalSession>(folder());
        session->start();
        return session;
    }

private:
    QTemporaryDir m_folder;
};

TEST_F(TerminalSessionTest, TheShellComesFromShellWhenItCanRunElseFromTheFallbacks)
{
    // What an account without a usable SHELL gets on this machine.
    std::string fallback = "/bin/sh";
    if (QFileInfo("/bin/zsh").isExecutable()) {
        fallback = "/bin/zsh";
    } else if (const passwd* account = getpwuid(getuid());
               account && QFileInfo(account->pw_shell).isFile() && QFileInfo(account->pw_shell).isExecutable()) {
        fallback = account->pw_shell;
    }
    const QString script = file("shell.sh");
    ASSERT_TRUE(writeScript(script, "exit 0"));
    QFile plain(file("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    struct Case {
        const char* name;
        std::optional<QByteArray> shell;
        std::string expected;
    };
    const std::vector<Case> cases {
        { "an executable file", script.toUtf8(), script.toStdString() },
        { "unset", std::nullopt, fallback },
        { "empty", QByteArray(), fallback },
        { "missing", file("missing").toUtf8(), fallback },
        { "not executable", file("plain").toUtf8(), fallback },
        { "a folder", file("src").toUtf8(), fallback },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EnvironmentOverride shell("SHELL", test.shell);
        EXPECT_EQ(TerminalSession::shellPath(), test.expected);
    }
}

TEST_F(TerminalSessionTest, TheLoginShellStartsInTheFolderWithTheTerminalsIdentity)
{
    EnvironmentOverride term("TERM", "dumb");
    EnvironmentOverride colorTerm("COLORTERM", "no");
    EnvironmentOverride program("TERM_PROGRAM", "Other");
    EnvironmentOverride version("TERM_PROGRAM_VERSION", "9");
    EnvironmentOverride kept("BRAMBLET_TEST_INHERITED", "yes");
    const QString report = file("report");
    auto session = startScript("{ printf '%s\\n' \"$0\" \"$*\" \"$PWD\"; env; } > '" + report.toUtf8() +
                               ".part'; mv '" + report.toUtf8() + ".part' '" + report.toUtf8() + "'; exec sleep 30");
    ASSERT_TRUE(session);
    ASSERT_TRUE(session->running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(report); }, timeoutMs));

    QFile output(report);
    ASSERT_TRUE(output.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(output.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], file("shell.sh"));
    EXPECT_EQ(lines[1], "-l");
    EXPECT_EQ(lines[2], file("src"));
    for (const char* entry : { "TERM=xterm-256color", "COLORTERM=truecolor", "TERM_PROGRAM=Bramblet",
                               "TERM_PROGRAM_VERSION=0.1.0", "BRAMBLET_TEST_INHERITED=yes" }) {
        const QString name = QString::fromUtf8(entry).section('=', 0, 0) + "=";
        EXPECT_EQ(lines.filter(QRegularExpression("^" + QRegularExpression::escape(name))), QStringList({ entry }));
    }
    session->stop();
}

TEST_F(TerminalSessionTest, ALongWindowTitleGivesATruncatedToolTip)
{
    struct Case {
        const char* name;
        QString character;
    };
    for (const Case& test : { Case { "single code points", "a" }, Case { "combining sequences", "e\u0301" },
                              Case { "emoji beyond the basic plane", "\U0001F600" } }) {
        SCOPED_TRACE(test.name);
        TerminalSession session(folder());
        const QString title = test.character.repeated(300);
        session.terminal()->feed(("\x1b]2;" + title + "\x07").toStdString());
        EXPECT_EQ(session.terminal()->toolTip(), test.character.repeated(240));
        EXPECT_EQ(session.title(), "src") << "the session keeps its folder's name";
    }
}

TEST_F(TerminalSessionTest, StopHangsUpTheForegroundJobAndReapsTheShell)
{
    EnvironmentOverride shell("SHELL", "/bin/sh");
    TerminalSession session(folder());
    int changes = 0;
    session.changed = [&] { ++changes; };
    session.start();
    ASSERT_TRUE(session.running());
    const pid_t shellPid = session.terminal()->process().shellPid();
    const int master = session.terminal()->process().childfd();
    sendText(*session.terminal(), "sleep 100\r");
    pid_t job = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        job = tcgetpgrp(master);
        return job > 0 && job != shellPid;
    }, timeoutMs)) << screenText(*session.terminal());

    session.stop();
    EXPECT_FALSE(session.running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return processEnded(job); }, timeoutMs)) << "the foreground sleep was hung up";
    EXPECT_TRUE(QTest::qWaitFor([&] { return kill(shellPid, 0) != 0; }, timeoutMs)) << "the shell was reaped";
    QTest::qWait(100);
    EXPECT_FALSE(session.exited()) << "a stopped session is not reported as ended";
    EXPECT_EQ(changes, 1) << "only the start";
    session.stop(); // a second stop finds nothing to do
}

TEST_F(TerminalSessionTest, AShellThatClosedItsTerminalStillGetsItsHangUp)
{
    auto session = startScript("exec sleep 30 </dev/null >/dev/null 2>&1");
    ASSERT_TRUE(session);
    const pid_t shellPid = session->terminal()->process().shellPid();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session->terminal()->process().running(); }, timeoutMs));
    EXPECT_TRUE(session->running());
    session->stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return kill(shellPid, 0) != 0; }, timeoutMs));
}

TEST_F(TerminalSessionTest, AShellThatEndsMarksTheSessionEnded)
{
    auto session = startScript("exit 4");
    ASSERT_TRUE(session);
    int changes = 0;
    session->changed = [&] { ++changes; };
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->exited(); }, timeoutMs));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(session->running());
    session->stop(); // nothing left to signal
    EXPECT_TRUE(session->exited());
}

} // namespace
} // namespace bramblet
