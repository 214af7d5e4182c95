#include "LocalProcessFixture.h"

#include "Zentrova/Process/PseudoTerminalHelpers.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace zentrova {
namespace {

TEST_F(LocalProcessTest, TerminalHasTheDelegatesWindowSizeAndFollowsAResize)
{
    delegate.size = { 33, 101, 808, 528 };
    start("stty size; read line; stty size");
    ASSERT_TRUE(pumpUntilOutputContains("33 101\r\n"));

    EXPECT_EQ(PseudoTerminalHelpers::setWinSize(process.childfd(), { 50, 120, 0, 0 }), 0);
    sendText("\n");
    ASSERT_TRUE(pumpUntilExit());
    EXPECT_EQ(delegate.output, "33 101\r\n\r\n50 120\r\n");
}

TEST_F(LocalProcessTest, WithoutADelegateTheTerminalStartsWithZeroSize)
{
    process.setDelegate(nullptr);
    start("read line; stty size");
    process.setDelegate(&delegate);
    sendText("\n");
    ASSERT_TRUE(pumpUntilExit());
    EXPECT_EQ(delegate.output, "\r\n0 0\r\n");
}

TEST(LocalProcessStart, ChildGetsArgumentZeroFolderAndEnvironmentAsGiven)
{
    TemporaryFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string script = "printf '%s|%s|%s|%s %s %s' \"$(/usr/bin/tr '\\0' '\\n' < /proc/$$/cmdline | /usr/bin/head -n 1)\" "
                               "\"$(pwd -P)\" \"${ZENTROVA_PROBE-unset}\" \"${TERM-unset}\" \"${COLORTERM-unset}\" \"$(/usr/bin/locale charmap 2>/dev/null)\"";
    struct Case {
        const char* name;
        std::optional<std::string> execName;
        std::optional<std::vector<std::string>> environment;
        std::string expected;
    };
    const Case cases[] = {
        { "given", "zentrova-sh", std::vector<std::string> { "ZENTROVA_PROBE=a b=c", "TERM=dumb" },
          "zentrova-sh|" + folder.path() + "|a b=c|dumb unset ANSI_X3.4-1968" },
        // The default locale must exist on this system, or the child runs in ASCII.
        { "defaults", std::nullopt, std::nullopt,
          "/bin/sh|" + folder.path() + "|unset|xterm-256color truecolor UTF-8" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PumpedMainQueue queue;
        RecordingProcessDelegate delegate;
        LocalProcess process(&delegate, queue);
        process.startProcess("/bin/sh", { "-c", script }, test.environment, test.execName, folder.path());
        ASSERT_TRUE(queue.pumpUntil([&] { return !delegate.exits.empty(); }));
        EXPECT_EQ(delegate.output, test.expected);
        EXPECT_THAT(delegate.exits, testing::ElementsAre(0));
    }
}

// Restores this thread's signal mask, SIGUSR2's disposition and closes a pipe at the end of a test.
class InheritedState {
public:
    InheritedState()
    {
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &usr1, &m_mask);
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGUSR2, &ignore, &m_usr2);
        if (pipe(m_pipe) != 0)
            m_pipe[0] = m_pipe[1] = -1;
    }
    ~InheritedState()
    {
        close(m_pipe[0]);
        close(m_pipe[1]);
        sigaction(SIGUSR2, &m_usr2, nullptr);
        pthread_sigmask(SIG_SETMASK, &m_mask, nullptr);
    }
    int strayDescriptor() const { return m_pipe[1]; }

private:
    sigset_t m_mask;
    struct sigaction m_usr2;
    int m_pipe[2];
};

TEST_F(LocalProcessTest, ChildStartsWithDefaultSignalsAndNoStrayDescriptors)
{
    InheritedState inherited;
    ASSERT_GE(inherited.strayDescriptor(), 0);
    const std::string stray = std::to_string(inherited.strayDescriptor());
    start("[ -e /proc/$$/fd/" + stray + " ] && echo leaked " + stray + "; exec /bin/grep -E '^Sig(Blk|Ign)' /proc/self/status");
    ASSERT_TRUE(pumpUntilExit());
    EXPECT_EQ(delegate.output, "SigBlk:\t0000000000000000\r\nSigIgn:\t0000000000000000\r\n");
}

TEST(PseudoTerminalHelpers, ForkAndExecRunsTheProgramAndCountsReadableBytes)
{
    const auto child = PseudoTerminalHelpers::forkAndExec("/bin/sh", { "sh", "-c", "printf hello; exec /bin/sleep 30" }, {},
                                                          std::nullopt, { 24, 80, 0, 0 });
    ASSERT_TRUE(child);
    EXPECT_TRUE(fcntl(child->masterFd, F_GETFD) & FD_CLOEXEC);

    PseudoTerminalHelpers::Available available;
    for (int attempt = 0; attempt < 500; ++attempt) {
        available = PseudoTerminalHelpers::availableBytes(child->masterFd);
        if (available.size == 5)
            break;
        usleep(10000);
    }
    EXPECT_EQ(available.status, 0);
    EXPECT_EQ(available.size, 5);
    EXPECT_EQ(PseudoTerminalHelpers::setWinSize(child->masterFd, { 30, 90, 0, 0 }), 0);
    winsize size = {};
    ioctl(child->masterFd, TIOCGWINSZ, &size);
    EXPECT_EQ(size.ws_row, 30);
    EXPECT_EQ(size.ws_col, 90);

    kill(child->pid, SIGKILL);
    waitpid(child->pid, nullptr, 0);
    close(child->masterFd);

    EXPECT_EQ(PseudoTerminalHelpers::availableBytes(-1).status, -1);
    EXPECT_EQ(PseudoTerminalHelpers::setWinSize(-1, { 30, 90, 0, 0 }), -1);
}

} // namespace
} // namespace zentrova
