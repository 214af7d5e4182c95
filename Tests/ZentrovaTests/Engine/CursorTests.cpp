// Golden screens for cursor movement, tab stops, margins and saving the cursor. Each row of a table
// is fed to a fresh 10 x 5 terminal; the comments name the behaviour xterm's control-sequence
// documentation describes for the same bytes.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(CursorMotion, GoldenScreens)
{
    const GoldenScreenCase cases[] = {
        // CUU: stops at the top margin, or at the first row when above the region.
        { "CUU stops at row 0", "\x1b[5;5H\x1b[9A", "", "4,0" },
        { "CUU stops at the top margin", "\x1b[2;4r\x1b[4;1H\x1b[9A", "", "0,1" },
        { "CUU above the region", "\x1b[3;5r\x1b[2;1H\x1b[5A", "", "0,0" },
        // CUD: the bottom margin, or the last row when below the region.
        { "CUD stops at the bottom margin", "\x1b[1;3r\x1b[9B", "", "0,2" },
        { "CUD below the region", "\x1b[1;2r\x1b[4;1H\x1b[9B", "", "0,4" },
        { "CUD 0 moves one row", "\x1b[0B", "", "0,1" },
        // CUF, CUB: default 1, stop at the screen edge.
        { "CUF", "\x1b[5C", "", "5,0" },
        { "CUF 0 moves one column", "\x1b[0C", "", "1,0" },
        { "CUF stops at the last column", "\x1b[99C", "", "9,0" },
        { "CUB", "ab\x1b[Dc", "ac", "2,0" },
        { "CUB stops at column 0", "\x1b[1;8H\x1b[99D", "", "0,0" },
        // CNL, CPL: down or up and to the first column.
        { "CNL", "\x1b[1;5H\x1b[2E", "", "0,2" },
        { "CPL", "\x1b[3;5H\x1b[F", "", "0,1" },
        // CHA: 1-based column, clamped.
        { "CHA", "\x1b[1;5H\x1b[3G", "", "2,0" },
        { "CHA 0 is column 1", "\x1b[1;5H\x1b[0G", "", "0,0" },
        { "CHA clamps", "\x1b[99G", "", "9,0" },
        // CUP, HVP: row;column, missing or 0 is 1, clamped to the screen.
        { "CUP", "\x1b[3;4HX", "||   X", "4,2" },
        { "CUP without parameters homes", "\x1b[3;4H\x1b[H", "", "0,0" },
        { "CUP 0;0 homes", "\x1b[3;4H\x1b[0;0H", "", "0,0" },
        { "CUP clamps", "\x1b[99;99H", "", "9,4" },
        { "HVP", "\x1b[2;3f", "", "2,1" },
        // HPA, HPR, VPA, VPR.
        { "HPA", "\x1b[5`", "", "4,0" },
        { "HPR", "\x1b[1;3H\x1b[4a", "", "6,0" },
        { "HPR clamps", "\x1b[99a", "", "9,0" },
        { "VPA keeps the column", "\x1b[1;4H\x1b[3d", "", "3,2" },
        { "VPA clamps", "\x1b[99d", "", "0,4" },
        { "VPR", "\x1b[2;1H\x1b[2e", "", "0,3" },
        // Tabs: stops every 8 columns; CHT and CBT move by stops, TBC clears them.
        { "CHT", "\x1b[I", "", "8,0" },
        { "CHT past the last stop", "\x1b[2I", "", "9,0" },
        { "CBT", "\x1b[1;10H\x1b[Z", "", "8,0" },
        { "HTS sets a stop", "\x1b[1;5H\x1bH\r\tX", "    X", "5,0" },
        { "TBC 0 clears the stop under the cursor", "\x1b[1;9H\x1b[g\r\tX", "         X", "10,0" },
        { "TBC 3 clears every stop", "\x1b[3g\tX", "         X", "10,0" },
        // Saving and restoring the cursor.
        { "DECSC, DECRC", "\x1b[2;3H\x1b" "7\x1b[5;5H\x1b" "8", "", "2,1" },
        { "SCOSC, SCORC", "\x1b[2;3H\x1b[s\x1b[H\x1b[u", "", "2,1" },
        { "DECRC without a save homes", "\x1b[3;3H\x1b" "8", "", "0,0" },
        // DECSTBM homes the cursor, also when it leaves the margins alone.
        { "DECSTBM homes", "\x1b[3;3H\x1b[2;4r", "", "0,0" },
        { "one-row DECSTBM homes", "\x1b[3;3H\x1b[5;5r", "", "0,0" },
    };
    expectGoldenScreens(cases);
}

struct CursorFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, tenByFiveScreen() };
};

TEST_F(CursorFixture, OneRowRegionLeavesTheMarginsAndZeroBottomMeansTheScreen)
{
    terminal.feed("\x1b[2;4r\x1b[3;3r");
    EXPECT_EQ(terminal.buffer().scrollTop(), 1);
    EXPECT_EQ(terminal.buffer().scrollBottom(), 3);
    terminal.feed("\x1b[2;0r");
    EXPECT_EQ(terminal.buffer().scrollTop(), 1);
    EXPECT_EQ(terminal.buffer().scrollBottom(), 4);
}

TEST_F(CursorFixture, OriginModeCountsFromTheMargins)
{
    terminal.feed("\x1b[2;4r");
    terminal.originMode = true;
    terminal.feed("\x1b[H");
    EXPECT_EQ(cursorText(terminal), "0,1");
    terminal.feed("\x1b[9;1H");
    EXPECT_EQ(cursorText(terminal), "0,3") << "CUP stays inside the region";
    terminal.feed("\x1b[9;1f");
    EXPECT_EQ(cursorText(terminal), "0,4") << "HVP is bounded by the screen only";
    terminal.marginMode = true;
    terminal.feed("\x1b[4;8s\x1b[1;1H");
    EXPECT_EQ(cursorText(terminal), "3,1");
    terminal.feed("\x1b[2G");
    EXPECT_EQ(cursorText(terminal), "4,1");
}

TEST_F(CursorFixture, LeftAndRightMarginsBoundHorizontalMotion)
{
    terminal.feed("\x1b[s"); // without margin mode: save the cursor, not margins
    EXPECT_EQ(terminal.buffer().marginRight(), 9);
    terminal.marginMode = true;
    terminal.feed("\x1b[3;6s");
    EXPECT_EQ(terminal.buffer().marginLeft(), 2);
    EXPECT_EQ(terminal.buffer().marginRight(), 5);
    terminal.feed("\x1b[1;4H\x1b[9C");
    EXPECT_EQ(cursorText(terminal), "5,0");
    terminal.feed("\x1b[9D");
    EXPECT_EQ(cursorText(terminal), "2,0");
    terminal.feed("\x1b[1;8H\x1b[9C");
    EXPECT_EQ(cursorText(terminal), "9,0") << "right of the margin the screen edge bounds";
    terminal.feed("\x1b[1;2H\x1b[9D");
    EXPECT_EQ(cursorText(terminal), "0,0");
    terminal.feed("\x1b[7;3s");
    EXPECT_EQ(terminal.buffer().marginLeft(), 2) << "left is cut to right";
    EXPECT_EQ(terminal.buffer().marginRight(), 2);
}

TEST_F(CursorFixture, RestoreBringsBackAttributeCharsetAndModes)
{
    terminal.feed("\x1b[1;31m\x1b(0\x1b[2;3H");
    terminal.originMode = true;
    terminal.feed("\x1b" "7");
    terminal.feed("\x1b[0m\x1b(B");
    terminal.originMode = false;
    terminal.feed("\x1b[5;5H\x1b" "8");
    EXPECT_EQ(cursorText(terminal), "2,1");
    EXPECT_TRUE(terminal.originMode);
    EXPECT_TRUE(terminal.curAttr.style.contains(CharacterStyle::bold));
    ASSERT_NE(terminal.charset, nullptr);
    terminal.feed("q");
    EXPECT_EQ(screenText(terminal), "|  ─") << "the line-drawing set came back";
}

TEST_F(CursorFixture, BackIndexAndForwardIndexScrollColumnsAtTheMargins)
{
    terminal.feed("abcdef\r\nghij\x1b[1;1H\x1b" "6");
    EXPECT_EQ(screenText(terminal), " abcdef| ghij");
    EXPECT_EQ(cursorText(terminal), "0,0");
    terminal.feed("\x1b[1;10H\x1b" "9");
    EXPECT_EQ(screenText(terminal), "abcdef|ghij");
    terminal.feed("\x1b[1;4H\x1b" "6\x1b" "9");
    EXPECT_EQ(cursorText(terminal), "3,0") << "away from the margins they only move the cursor";
}

} // namespace
} // namespace zentrova
