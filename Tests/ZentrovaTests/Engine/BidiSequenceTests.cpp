// Presentation direction and character path, the bidi state carried onto the cursor's paragraph,
// paragraphs cut where rows were scrolled or shifted, and rows reset by ED.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

constexpr auto ltr = BidiDirection::leftToRight;
constexpr auto rtl = BidiDirection::rightToLeft;

TerminalOptions optionsStartingIn(BidiDirection direction)
{
    TerminalOptions options = tenByFiveScreen();
    options.initialBidiState.fallbackDirection = direction;
    return options;
}

// "1" for a row that continues the one above, "0" for one that starts a paragraph.
std::string wrappedRows(Terminal& terminal)
{
    std::string flags;
    for (int y = 0; y < terminal.rows; y++)
        flags += terminal.getLine(y)->isWrapped() ? '1' : '0';
    return flags;
}

// "r" for a right-to-left row, "l" for a left-to-right one.
std::string rowDirections(Terminal& terminal)
{
    std::string directions;
    for (int y = 0; y < terminal.rows; y++)
        directions += terminal.getLine(y)->bidiState().fallbackDirection == rtl ? 'r' : 'l';
    return directions;
}

// Row 0 on its own, rows 1-3 one paragraph of 25 characters, row 4 on its own.
const std::string paragraphs = "X\r\nabcdefghijklmnopqrstuvwxy\r\nZ";

TEST(BidiSequences, DirectionSequences)
{
    struct Case {
        const char* name;
        BidiDirection initial;
        const char* script;
        BidiDirection expected;
    };
    const Case cases[] = {
        { "SPD 3", ltr, "\x1b[3 S", rtl },
        { "SPD 0", ltr, "\x1b[3 S\x1b[0 S", ltr },
        { "SPD without a parameter", ltr, "\x1b[3 S\x1b[ S", ltr },
        { "SPD 2 changes nothing", ltr, "\x1b[3 S\x1b[2 S", rtl },
        { "SCP 2", ltr, "\x1b[2 k", rtl },
        { "SCP 1", rtl, "\x1b[1 k", ltr },
        { "SCP 0 returns to the initial direction", rtl, "\x1b[1 k\x1b[0 k", rtl },
        { "SCP 0 from the left-to-right start", ltr, "\x1b[2 k\x1b[0 k", ltr },
        { "SCP 3 changes nothing", ltr, "\x1b[2 k\x1b[3 k", rtl },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        RecordingTerminalDelegate delegate;
        Terminal terminal(&delegate, optionsStartingIn(test.initial));
        terminal.feed(test.script);
        EXPECT_EQ(terminal.currentBidiState.fallbackDirection, test.expected);
        EXPECT_EQ(terminal.normalBuffer().defaultBidiState.fallbackDirection, test.expected);
        EXPECT_EQ(terminal.altBuffer().defaultBidiState.fallbackDirection, test.expected);
        // The cursor stayed at the start of the first row's paragraph, so that row follows.
        EXPECT_EQ(terminal.getLine(0)->bidiState().fallbackDirection, test.expected);
    }
}

struct BidiFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, tenByFiveScreen() };
};

TEST_F(BidiFixture, DirectionAtAParagraphStartReachesItsWrappedRowsOnly)
{
    terminal.feed(paragraphs);
    ASSERT_EQ(wrappedRows(terminal), "00110");
    std::vector<uint64_t> generations;
    for (int y = 0; y < terminal.rows; y++)
        generations.push_back(terminal.getLine(y)->generation());
    terminal.clearUpdateRange();

    terminal.feed("\x1b[2;1H\x1b[3 S");
    EXPECT_EQ(rowDirections(terminal), "lrrrl");
    for (int y = 0; y < terminal.rows; y++) {
        SCOPED_TRACE(y);
        EXPECT_EQ(terminal.getLine(y)->generation() > generations[size_t(y)], y >= 1 && y <= 3);
    }
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, terminal.rows - 1));
    // The space makes it SPD, not a scroll.
    EXPECT_EQ(screenText(terminal), "X|abcdefghij|klmnopqrst|uvwxy|Z");
}

TEST_F(BidiFixture, DirectionElsewhereChangesOnlyTheDefaultForNewRows)
{
    struct Case {
        const char* name;
        const char* cursor;
    };
    const Case cases[] = {
        { "in the middle of a row", "\x1b[2;4H" },
        { "at the start of a continuation row", "\x1b[3;1H" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Terminal fresh(&delegate, tenByFiveScreen());
        fresh.feed(paragraphs);
        fresh.feed(test.cursor);
        fresh.feed("\x1b[3 S");
        EXPECT_EQ(rowDirections(fresh), "lllll");
        EXPECT_EQ(fresh.currentBidiState.fallbackDirection, rtl);
        EXPECT_EQ(fresh.normalBuffer().defaultBidiState.fallbackDirection, rtl);
    }
}

TEST_F(BidiFixture, ModesChangeOnlyTheirOwnFieldOfTheParagraph)
{
    // Row 0 turns right-to-left while the terminal goes back to left-to-right elsewhere.
    terminal.feed("\x1b[3 S\x1b[1;5H\x1b[0 S\x1b[H");
    ASSERT_EQ(terminal.getLine(0)->bidiState().fallbackDirection, rtl);

    terminal.feed("\x1b[?2500h\x1b[?2501l\x1b[8l");
    const BidiPresentationState& row = terminal.getLine(0)->bidiState();
    EXPECT_TRUE(row.boxMirroring);
    EXPECT_FALSE(row.autodetectDirection);
    EXPECT_EQ(row.supportMode, BidiSupportMode::explicit_);
    EXPECT_EQ(row.fallbackDirection, rtl);
    EXPECT_EQ(terminal.getLine(1)->bidiState(), BidiPresentationState::Default);

    // XTRESTORE carries the restored field the same way.
    terminal.feed("\x1b[?2500s\x1b[?2500l\x1b[2;1H\x1b[?2500r");
    EXPECT_TRUE(terminal.getLine(1)->bidiState().boxMirroring);

    // DECSTR brings every field of the cursor's paragraph back to the start.
    terminal.feed("\x1b[H\x1b[!p");
    EXPECT_EQ(terminal.getLine(0)->bidiState(), BidiPresentationState::Default);
    EXPECT_EQ(terminal.currentBidiState, BidiPresentationState::Default);
}

TEST(BidiSequences, ScrolledAndShiftedRowsStartNewParagraphs)
{
    // Rows 0-2 are one paragraph, rows 3-4 another: flags "01101".
    const std::string base = std::string(25, 'a') + "\r\n" + std::string(15, 'b');
    struct Case {
        const char* name;
        std::string script;
        const char* wrapped;
    };
    const Case cases[] = {
        // The region's first row no longer continues row 0, nor row 4 the row moved above it.
        { "SU inside a region", base + "\x1b[2;4r\x1b[S", "00000" },
        { "SD inside a region", base + "\x1b[2;4r\x1b[T", "00010" },
        { "SU of the whole screen", base + "\x1b[S", "01010" },
        { "SD of the whole screen", base + "\x1b[T", "00110" },
        { "IL", base + "\x1b[2;1H\x1b[L", "00010" },
        { "IL inside a region cuts the row below it", base + "\x1b[1;4r\x1b[1;1H\x1b[L", "00110" },
        { "DL", base + "\x1b[2;1H\x1b[M", "00010" },
        { "DL inside a region cuts the row below it", base + "\x1b[1;4r\x1b[3;1H\x1b[M", "01000" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        RecordingTerminalDelegate delegate;
        Terminal terminal(&delegate, tenByFiveScreen());
        terminal.feed(base);
        ASSERT_EQ(wrappedRows(terminal), "01101");
        Terminal shifted(&delegate, tenByFiveScreen());
        shifted.feed(test.script);
        EXPECT_EQ(wrappedRows(shifted), test.wrapped);
    }
}

TEST_F(BidiFixture, EraseDisplayResetsEveryRow)
{
    terminal.feed(std::string(25, 'a') + "\x1b#6\x1b[3 S\x1b[2J");
    EXPECT_EQ(screenText(terminal), "");
    for (int y = 0; y < terminal.rows; y++) {
        SCOPED_TRACE(y);
        const BufferLine& row = *terminal.getLine(y);
        EXPECT_FALSE(row.isWrapped());
        EXPECT_EQ(row.renderMode(), BufferLine::RenderLineMode::single);
        EXPECT_EQ(row.bidiState(), terminal.currentBidiState);
    }
    EXPECT_EQ(terminal.currentBidiState.fallbackDirection, rtl);
}

TEST_F(BidiFixture, FullResetReturnsTheCursorsParagraphToTheInitialState)
{
    // The alternate screen keeps its rows through a reset: its cursor row must not stay right-to-left.
    terminal.feed("\x1b[?1049h\x1b[3 S\x1b[?2500h\x1b[?2500s");
    ASSERT_EQ(terminal.altBuffer().line(0).bidiState().fallbackDirection, rtl);
    terminal.feed("\x1b" "c");
    EXPECT_EQ(terminal.altBuffer().line(0).bidiState(), BidiPresentationState::Default);
    EXPECT_EQ(terminal.normalBuffer().line(0).bidiState(), BidiPresentationState::Default);
    // Modes saved before the reset are forgotten with it.
    terminal.feed("\x1b[?2500r");
    EXPECT_FALSE(terminal.currentBidiState.boxMirroring);
}

} // namespace
} // namespace zentrova
