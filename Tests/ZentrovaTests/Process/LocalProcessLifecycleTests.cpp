#include "LocalProcessFixture.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

TEST(LocalProcessExit, ReportsTheExitCodeOnceAndReapsTheChild)
{
    struct Case {
        const char* name;
        std::string executable;
        std::vector<std::string> args;
        int32_t exitCode;
    };
    const Case cases[] = {
        { "success", "/bin/sh", { "-c", "exit 0" }, 0 },
        { "failure status", "/bin/sh", { "-c", "exit 3" }, 3 },
        { "killed by a signal", "/bin/sh", { "-c", "kill -KILL $$" }, 128 + SIGKILL },
        { "missing executable", "/nonexistent/zentrova-no-such-program", { "--flag" }, 127 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PumpedMainQueue queue;
        RecordingProcessDelegate delegate;
        LocalProcess process(&delegate, queue);
        process.startProcess(test.executable, test.args);
        ASSERT_TRUE(process.running());
        const pid_t pid = process.shellPid();
        EXPECT_GT(pid, 0);

        ASSERT_TRUE(queue.pumpUntil([&] { return !delegate.exits.empty(); }));
        queue.pumpFor(100ms);
        EXPECT_THAT(delegate.exits, testing::ElementsAre(test.exitCode));
        EXPECT_FALSE(process.running());
        EXPECT_EQ(process.childfd(), -1);
        EXPECT_EQ(process.shellPid(), pid);
        EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "the child was not reaped";
    }
}

TEST_F(LocalProcessTest, TerminateSendsSigtermReportsNothingAndClosesTheTerminal)
{
    const std::size_t descriptorsBefore = openDescriptorCount();
    // The closing master hangs the terminal up; ignoring that leaves SIGTERM as the cause of death.
    start("trap '' HUP; echo ready; exec /bin/sleep 30");
    ASSERT_TRUE(pumpUntilOutputContains("ready"));
    const pid_t pid = process.shellPid();

    process.terminate();
    EXPECT_FALSE(process.running());
    EXPECT_EQ(process.childfd(), -1);
    EXPECT_EQ(process.shellPid(), pid);
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);

    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    queue.pumpFor(200ms);
    EXPECT_TRUE(delegate.exits.empty());

    sendText("dropped");
    EXPECT_EQ(process.sendCount(), 0);
}

TEST_F(LocalProcessTest, WritesPendingAtTerminateNeverReachAReusedDescriptor)
{
    // Raw, so that the terminal holds what nobody reads instead of throwing away the overlong line
    // a cooked terminal drops as fast as it comes.
    start("stty raw -echo; echo ready; exec /bin/sleep 30");
    ASSERT_TRUE(pumpUntilOutputContains("ready"));
    const pid_t pid = process.shellPid();
    // The child never reads, so most of this is still waiting to be written.
    sendText(std::string(1024 * 1024, 'x'));

    process.terminate();
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC), 0);
    queue.pumpFor(200ms);
    char byte = 0;
    EXPECT_EQ(read(pipeFds[0], &byte, 1), -1);
    EXPECT_EQ(errno, EAGAIN);
    close(pipeFds[0]);
    close(pipeFds[1]);
    EXPECT_LT(process.total(), 1024 * 1024);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

TEST_F(LocalProcessTest, StartWhileRunningLeavesTheChildAlone)
{
    start("echo ready; exec /bin/sleep 30");
    ASSERT_TRUE(pumpUntilOutputContains("ready"));
    const pid_t pid = process.shellPid();
    const int32_t master = process.childfd();

    process.startProcess("/bin/sh", { "-c", "echo second" });
    EXPECT_EQ(process.shellPid(), pid);
    EXPECT_EQ(process.childfd(), master);
    EXPECT_EQ(kill(pid, 0), 0);
    queue.pumpFor(100ms);
    EXPECT_EQ(delegate.output.find("second"), std::string::npos);
}

TEST_F(LocalProcessTest, StartsAgainAfterTheFirstChildEnded)
{
    start("printf first");
    ASSERT_TRUE(pumpUntilExit());
    start("printf second; exit 4");
    delegate.exits.clear();
    ASSERT_TRUE(pumpUntilExit());
    EXPECT_EQ(delegate.output, "firstsecond");
    EXPECT_THAT(delegate.exits, testing::ElementsAre(4));
}

TEST(LocalProcessRelease, DestroyingTheProcessClosesTheTerminalAndDropsPendingWork)
{
    PumpedMainQueue queue;
    RecordingProcessDelegate delegate;
    const std::size_t descriptorsBefore = openDescriptorCount();
    pid_t pid = 0;
    {
        LocalProcess process(&delegate, queue);
        process.startProcess("/bin/sh", { "-c", "seq 1 100000; exit 5" });
        pid = process.shellPid();
        ASSERT_TRUE(queue.pumpUntil([&] { return !delegate.output.empty(); }));
    }
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    const std::size_t received = delegate.output.size();
    queue.pumpFor(100ms); // posted passes of the gone process do nothing
    EXPECT_EQ(delegate.output.size(), received);
    EXPECT_TRUE(delegate.exits.empty());
    waitpid(pid, nullptr, 0);
}

} // namespace
} // namespace zentrova
