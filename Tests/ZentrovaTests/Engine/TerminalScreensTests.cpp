#include "Support/ManualMainQueue.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

struct ScreensFixture : testing::Test {
    ManualMainQueue queue;
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, screenSize(10, 4), &queue };
};

TEST_F(ScreensFixture, SynchronizedOutputEndsOneSecondAfterTheLastBegin)
{
    delegate.events.clear();
    terminal.beginSynchronizedOutput();
    queue.advance(600ms);
    terminal.beginSynchronizedOutput();
    queue.advance(999ms);
    EXPECT_TRUE(terminal.synchronizedOutputActive) << "the second begin re-armed the time-out";
    terminal.clearUpdateRange();
    queue.advance(1ms);
    EXPECT_FALSE(terminal.synchronizedOutputActive);
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "synchronizedOutput:on", "synchronizedOutput:off" }));
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, 3));
    EXPECT_EQ(queue.pending(), 0u);
}

TEST_F(ScreensFixture, EndingSynchronizedOutputCancelsTheTimeOut)
{
    terminal.beginSynchronizedOutput();
    terminal.endSynchronizedOutput();
    terminal.endSynchronizedOutput();
    EXPECT_EQ(queue.pending(), 0u);
    EXPECT_EQ(delegate.count("synchronizedOutput:off"), 1);
}

TEST(TerminalScreens, ATerminalGoneBeforeItsTimeOutIsNotTouched)
{
    ManualMainQueue queue;
    {
        Terminal terminal(nullptr, screenSize(10, 4), &queue);
        terminal.beginSynchronizedOutput();
    }
    EXPECT_EQ(queue.pending(), 0u);
    queue.advance(2s);
}

TEST_F(ScreensFixture, ReverseIndexScrollsDownAtTheTopMargin)
{
    terminal.feed("a\r\nb\r\nc\r\nd\x1bM\x1bM\x1bM\x1bM\rx");
    EXPECT_EQ(screenText(terminal), "x|a|b|c");
    EXPECT_EQ(terminal.buffer().yBase(), 0) << "nothing went to the scrollback";

    // Inside a region only the region moves.
    terminal.buffer().setScrollTop(1);
    terminal.buffer().setScrollBottom(2);
    terminal.buffer().setY(1);
    terminal.feed("\x1bM");
    EXPECT_EQ(screenText(terminal), "x||a|c");
}

TEST_F(ScreensFixture, AlternateScreenKeepsItsOwnContent)
{
    terminal.feed("main\r\nrow");
    terminal.activateAltBuffer();
    EXPECT_TRUE(terminal.isCurrentBufferAlternate());
    EXPECT_EQ(cursorText(terminal), "3,1") << "the cursor comes along";
    EXPECT_EQ(screenText(terminal), "");
    terminal.feed("alt");
    terminal.activateAltBuffer();
    EXPECT_EQ(screenText(terminal), "|   alt") << "entering again changes nothing";

    terminal.activateNormalBuffer(false);
    EXPECT_EQ(screenText(terminal), "main|row");
    EXPECT_EQ(cursorText(terminal), "6,1");
    terminal.activateAltBuffer();
    EXPECT_EQ(screenText(terminal), "|   alt") << "kept while away";
    terminal.activateNormalBuffer(true);
    EXPECT_EQ(terminal.altBuffer().lines().count(), 0) << "emptied on leaving with clearAlt";
    terminal.activateAltBuffer();
    EXPECT_EQ(screenText(terminal), "");
}

TEST_F(ScreensFixture, AlternateScreenNeverFeedsTheScrollback)
{
    terminal.activateAltBuffer();
    terminal.feed("1\r\n2\r\n3\r\n4\r\n5\r\n6");
    EXPECT_EQ(screenText(terminal), "3|4|5|6");
    EXPECT_EQ(terminal.altBuffer().lines().count(), 4);
    EXPECT_EQ(terminal.normalBuffer().yBase(), 0);
}

TEST_F(ScreensFixture, ScrollbackCanBeClearedAndResized)
{
    for (int i = 0; i < 10; i++)
        terminal.feed(std::to_string(i) + "\r\n");
    EXPECT_EQ(terminal.buffer().yBase(), 7);
    terminal.clearUpdateRange();
    terminal.clearScrollback();
    EXPECT_EQ(terminal.buffer().yBase(), 0);
    EXPECT_EQ(terminal.buffer().lines().count(), 4);
    EXPECT_EQ(screenText(terminal), "7|8|9");
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, 3));

    terminal.changeScrollback(std::nullopt);
    EXPECT_EQ(terminal.options.scrollback, 0);
    EXPECT_FALSE(terminal.buffer().hasScrollback());
    terminal.feed("a\r\nb\r\n");
    EXPECT_EQ(terminal.buffer().lines().count(), 4);
}

TEST_F(ScreensFixture, FullResetKeepsAHiddenCursorAndEndsSynchronizedOutput)
{
    terminal.feed("text\r\nmore");
    terminal.hideCursor();
    terminal.beginSynchronizedOutput();
    terminal.insertMode = true;
    delegate.events.clear();
    // The reset also drops the half-received CSI before it.
    terminal.feed("\x1b[3\x1b" "c" "9");
    EXPECT_EQ(screenText(terminal), "9");
    EXPECT_TRUE(terminal.cursorHidden);
    EXPECT_FALSE(terminal.synchronizedOutputActive);
    EXPECT_FALSE(terminal.insertMode);
    EXPECT_EQ(queue.pending(), 0u);
    EXPECT_EQ(delegate.events,
              (std::vector<std::string> { "synchronizedOutput:off", "mouseModeChanged", "bufferActivated" }));
}

TEST_F(ScreensFixture, ResizeKeepsTheCursorOnItsText)
{
    terminal.feed("a\r\nb\r\nc\r\nd");
    terminal.resize(10, 2);
    EXPECT_EQ(screenText(terminal), "c|d") << "the top went into the scrollback";
    EXPECT_EQ(cursorText(terminal), "1,1");
    EXPECT_EQ(terminal.buffer().yBase(), 2);

    terminal.resize(10, 4);
    EXPECT_EQ(screenText(terminal), "a|b|c|d") << "and came back";
    EXPECT_EQ(cursorText(terminal), "1,3");

    terminal.buffer().setX(0);
    terminal.buffer().setY(0);
    terminal.resize(10, 2);
    EXPECT_EQ(screenText(terminal), "a|b") << "with the cursor on top, rows below it go";
    EXPECT_EQ(terminal.buffer().yBase(), 0);
}

TEST_F(ScreensFixture, ResizeWiderExtendsRowsAndTabStops)
{
    terminal.feed("0123456789x");
    terminal.resize(20, 4);
    EXPECT_EQ(terminal.getDims(), std::pair(20, 4));
    EXPECT_EQ(terminal.options.cols, 20);
    EXPECT_EQ(terminal.buffer().line(0).count(), 20);
    EXPECT_EQ(terminal.altBuffer().cols(), 20);
    EXPECT_EQ(terminal.buffer().scrollBottom(), 3);
    terminal.feed("\r\t\t");
    EXPECT_EQ(cursorText(terminal), "16,1");
}

TEST_F(ScreensFixture, ResizeRaisesTinySizesAndEndsSynchronizedOutput)
{
    terminal.beginSynchronizedOutput();
    terminal.resize(10, 4);
    EXPECT_TRUE(terminal.synchronizedOutputActive) << "the same size changes nothing";
    terminal.resize(1, 0);
    EXPECT_EQ(terminal.getDims(), std::pair(2, 1));
    EXPECT_FALSE(terminal.synchronizedOutputActive);
    terminal.feed("abc");
    EXPECT_EQ(screenText(terminal), "c") << "one row of two columns: the rest scrolled away";
}

TEST_F(ScreensFixture, FullScreenRangeEndsOnTheLastRow)
{
    terminal.clearUpdateRange();
    terminal.updateFullScreen();
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, 3));
    EXPECT_EQ(terminal.getScrollInvariantUpdateRange(), std::pair(0, 3));
}

// Every row of the main screen's ring, scrollback first, as "|"-joined text without trailing blanks,
// a row that continues a soft-wrapped one marked with a trailing "+".
std::string ringText(Terminal& terminal)
{
    Buffer& buffer = terminal.normalBuffer();
    std::string text;
    for (int row = 0; row < buffer.lines().count(); row++) {
        std::string line = terminal.translateBufferLineToString(buffer, row, 0, -1);
        line.erase(line.find_last_not_of(' ') + 1);
        text += (row ? "|" : "") + line + (buffer.line(row).isWrapped() ? "+" : "");
    }
    return text;
}

// A region that starts at the top scrolls its top row into the scrollback, above the rows below it
// that stay (an editor's status line); once the ring is full its oldest row is reused.
TEST(TerminalScreens, ARegionAtTheTopScrollsIntoTheScrollback)
{
    const std::string region = "\x1b[1;3r\x1b[4;1HS\x1b[3;1H";
    const struct {
        const char* name;
        int scrollback;
        std::string script;
        std::string rows;
        std::string cursor;
    } cases[] = {
        { "room left", 10, region + "a\r\nb\r\nc\r\nd\r\ne", "||a|b|c|d|e|S", "1,2" },
        { "ring full", 2, region + "a\r\nb\r\nc\r\nd\r\ne\r\nf", "b|c|d|e|f|S", "1,2" },
        { "no scrollback", 0, region + "a\r\nb\r\nc\r\nd", "b|c|d|S", "1,2" },
        { "a wrapped row, ring full", 1, region + "a\r\nb\r\nc\r\nabcdefghijKL\x1b[31mx\x1b[41m\r\n",
          "c|abcdefghij|KLx+||S", "0,2" },
        { "two status rows", 1, "\x1b[1;2r\x1b[3;1HS\r\nT\x1b[2;1Ha\r\nb\r\nc", "a|b|c|S|T", "1,1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto options = screenSize(10, 4);
        options.scrollback = c.scrollback;
        Terminal terminal(nullptr, options);
        terminal.feed(c.script);
        EXPECT_EQ(ringText(terminal), c.rows);
        EXPECT_EQ(cursorText(terminal), c.cursor);
    }
}

} // namespace
} // namespace zentrova
