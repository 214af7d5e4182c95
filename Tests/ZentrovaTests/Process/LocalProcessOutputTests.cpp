#include "LocalProcessFixture.h"

#include <gmock/gmock.h>

#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

constexpr int64_t highWater = 4 * 1024 * 1024;
constexpr int64_t lowWater = 1024 * 1024;

std::string fileContents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// `seq 1 count` as the terminal shows it (newlines become CR LF on the way out).
std::string seqOutput(int count)
{
    std::string text;
    for (int number = 1; number <= count; ++number)
        text += std::to_string(number) + "\r\n";
    return text;
}

TEST_F(LocalProcessTest, FloodArrivesCompleteAndInOrderWhileReadingPausesAt4MiBAndResumesAt1MiB)
{
    const std::string expected = seqOutput(800000);
    ASSERT_GT(expected.size(), 5u * 1024 * 1024);
    start("seq 1 800000");

    // Nobody drains: reading must stop once 4 MiB wait, one read past the mark at most.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (process.pendingBytes() < highWater && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_GE(process.pendingBytes(), highWater);
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(process.pendingBytes(), highWater + int64_t(PtyChannel::readSize));

    // While draining, nothing new may be read until the queue is down to 1 MiB. Reads are seen as
    // growth of (delivered + waiting); when the first shows up, what was read before the pause
    // minus what has been delivered by then bounds what was waiting when reading resumed.
    const int64_t readBeforePause = process.pendingBytes();
    int64_t delivered = 0;
    std::optional<int64_t> waitingWhenReadingResumed;
    delegate.onData = [&](std::span<const uint8_t> slice) {
        delivered += int64_t(slice.size());
        if (!waitingWhenReadingResumed && delivered + process.pendingBytes() > readBeforePause)
            waitingWhenReadingResumed = readBeforePause - delivered;
    };
    ASSERT_TRUE(pumpUntilExit());

    EXPECT_TRUE(delegate.output == expected) << "received " << delegate.output.size() << " of " << expected.size()
                                             << " bytes, or out of order";
    EXPECT_THAT(delegate.exits, testing::ElementsAre(0));
    ASSERT_TRUE(waitingWhenReadingResumed);
    EXPECT_LE(*waitingWhenReadingResumed, lowWater);
    EXPECT_EQ(process.pendingBytes(), 0);
}

TEST_F(LocalProcessTest, ExitIsReportedAfterEverythingTheChildWrote)
{
    // The child finishes while reading is paused: its last bytes still sit in the terminal when it
    // exits, and they must reach the delegate before the exit report does.
    constexpr int64_t size = highWater + 8000;
    start("exec /usr/bin/head -c " + std::to_string(size) + " /dev/zero");
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (process.pendingBytes() < highWater && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    siginfo_t info = {};
    while (info.si_pid == 0 && std::chrono::steady_clock::now() < deadline) {
        waitid(P_PID, id_t(process.shellPid()), &info, WEXITED | WNOHANG | WNOWAIT);
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_NE(info.si_pid, 0) << "the child did not finish while reading was paused";

    ASSERT_TRUE(pumpUntilExit());
    EXPECT_EQ(int64_t(delegate.outputSizeAtExit), size);
    EXPECT_THAT(delegate.exits, testing::ElementsAre(0));
}

TEST_F(LocalProcessTest, DeliveryPassGivesTheQueueBackAfter4Milliseconds)
{
    // Each delivery takes at least 2 ms, so a pass may deliver two chunks and must then yield.
    int deliveriesThisPass = 0;
    delegate.onData = [&](std::span<const uint8_t>) {
        ++deliveriesThisPass;
        std::this_thread::sleep_for(2ms);
    };
    start("seq 1 100000");

    int passesWithOutput = 0;
    int mostInOnePass = 0;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (delegate.exits.empty() && std::chrono::steady_clock::now() < deadline) {
        deliveriesThisPass = 0;
        queue.runOne(1s);
        mostInOnePass = std::max(mostInOnePass, deliveriesThisPass);
        passesWithOutput += deliveriesThisPass > 0;
    }
    ASSERT_EQ(delegate.exits.size(), 1u);
    EXPECT_EQ(delegate.output, seqOutput(100000));
    EXPECT_LE(mostInOnePass, 2);
    EXPECT_GT(passesWithOutput, 1);
}

TEST_F(LocalProcessTest, WritesReachTheChildInOrder)
{
    TemporaryFolder folder;
    const std::string file = folder.path() + "/received";
    start("stty -echo; echo ready; cat > " + file);
    ASSERT_TRUE(pumpUntilOutputContains("ready"));

    std::string sent;
    for (int line = 0; line < 20000; ++line) {
        char text[16];
        std::snprintf(text, sizeof text, "%06d\n", line);
        sent += text;
        sendText(text);
    }
    sendText("\x04"); // end of input for cat, at the start of a line
    ASSERT_TRUE(pumpUntilExit());

    EXPECT_THAT(delegate.exits, testing::ElementsAre(0));
    EXPECT_TRUE(fileContents(file) == sent);
    EXPECT_EQ(process.sendCount(), 20001);
    EXPECT_EQ(process.total(), int64_t(sent.size()) + 1);
}

TEST_F(LocalProcessTest, HostLoggingKeepsACopyOfEveryChunk)
{
    TemporaryFolder folder;
    process.setHostLogging(folder.path());
    start("seq 1 3000");
    ASSERT_TRUE(pumpUntilExit());

    ASSERT_GE(process.logFileCounter(), 1);
    std::string logged;
    for (int64_t index = 0; index < process.logFileCounter(); ++index)
        logged += fileContents(folder.path() + "/log-" + std::to_string(index));
    EXPECT_EQ(logged, delegate.output);
    EXPECT_EQ(logged, seqOutput(3000));
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/log-" + std::to_string(process.logFileCounter())));
}

} // namespace
} // namespace zentrova
