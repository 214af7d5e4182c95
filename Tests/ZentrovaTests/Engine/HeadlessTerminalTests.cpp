#include "ScreenText.h"

#include "Process/LocalProcessFixture.h"

#include "Zentrova/Engine/HeadlessTerminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

// A headless terminal on a queue the test pumps; a child still running at the end is killed and reaped.
class HeadlessTerminalTest : public testing::Test {
protected:
    void SetUp() override { headless.terminal().resize(20, 5); }
    void TearDown() override { terminateAndReap(headless.process()); }

    void start(const std::string& script)
    {
        headless.process().startProcess("/bin/sh", { "-c", script });
        ASSERT_TRUE(headless.process().running());
    }

    bool pumpUntilExit()
    {
        return queue.pumpUntil([this] { return !exits.empty(); });
    }

    PumpedMainQueue queue;
    std::vector<std::optional<int32_t>> exits;
    HeadlessTerminal headless { queue, TerminalOptions::Default, [this](std::optional<int32_t> code) { exits.push_back(code); } };
};

TEST_F(HeadlessTerminalTest, ChildOutputLandsOnTheScreenAndItsExitIsReportedOnce)
{
    start("printf 'hello\\r\\nw\\303\\266rld\\rW'; exit 3");
    ASSERT_TRUE(pumpUntilExit());
    queue.pumpFor(std::chrono::milliseconds(50));

    EXPECT_EQ(screenText(headless.terminal()), "hello|Wörld");
    EXPECT_EQ(cursorText(headless.terminal()), "1,1");
    EXPECT_EQ(exits, (std::vector<std::optional<int32_t>> { 3 }));
}

TEST_F(HeadlessTerminalTest, ChildSeesTheTerminalSizeAndReadsTheUsersInput)
{
    const winsize size = headless.getWindowSize();
    EXPECT_EQ(size.ws_row, 5);
    EXPECT_EQ(size.ws_col, 20);
    EXPECT_EQ(size.ws_xpixel, 16);
    EXPECT_EQ(size.ws_ypixel, 16);

    start("read line; printf 'got %s, ' \"$line\"; stty size");
    headless.send("typed\n");
    ASSERT_TRUE(pumpUntilExit());
    queue.pumpFor(std::chrono::milliseconds(50));

    EXPECT_EQ(screenText(headless.terminal()), "typed|got typed, 5 20") << "the terminal echoed the input first";
    EXPECT_EQ(exits, (std::vector<std::optional<int32_t>> { 0 }));
}

TEST_F(HeadlessTerminalTest, TypedInputIsSeenAsSubmittingThePromptsCommandLine)
{
    start("printf '\\033]133;A\\007$ \\033]133;B\\007'; read line; printf '[%s]' \"$line\"");
    ASSERT_TRUE(queue.pumpUntil([this] { return headless.terminal().buffer().semanticInput == SemanticInputState::armed; }));
    headless.send("ls\n");
    EXPECT_EQ(headless.terminal().buffer().semanticInput, SemanticInputState::submitted);
    ASSERT_TRUE(pumpUntilExit());
    queue.pumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(screenText(headless.terminal()), "$ ls|[ls]") << "the input still reaches the child";
}

TEST_F(HeadlessTerminalTest, KeepsTheDirectoryTheChildReports)
{
    EXPECT_EQ(headless.dir(), std::nullopt);
    start("printf '\\033]7;file://host/tmp/a%%20b\\007'; printf '\\033]7;file://host/srv\\033\\\\'");
    ASSERT_TRUE(pumpUntilExit());
    queue.pumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(headless.dir(), "file://host/srv");
    EXPECT_EQ(headless.dir(), headless.terminal().hostCurrentDirectory);
}

TEST_F(HeadlessTerminalTest, ChangingTheScrollbackKeepsItInTheOptions)
{
    Terminal& terminal = headless.terminal();
    const struct {
        std::optional<int> lines;
        int stored;
        int rowsKept; // after 50 lines on the 5-row screen
    } cases[] = { { 1000, 1000, 51 }, { 10, 10, 15 }, { std::nullopt, 0, 5 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        terminal.resetToInitialState();
        headless.changeScrollback(c.lines);
        EXPECT_EQ(terminal.options.scrollback, c.stored);
        for (int i = 0; i < 50; i++)
            terminal.feed("line " + std::to_string(i) + "\r\n");
        EXPECT_EQ(terminal.normalBuffer().lines().count(), c.rowsKept);
        EXPECT_EQ(screenText(terminal), "line 46|line 47|line 48|line 49");
    }
}

} // namespace
} // namespace zentrova
