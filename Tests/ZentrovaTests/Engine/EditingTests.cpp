// Golden screens for character and row editing, erasing, scrolling the region and the alignment
// pattern on a fresh 10 x 5 terminal; the comments name what xterm's control-sequence documentation
// describes for the same bytes.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

constexpr const char* abcRows = "abc\r\ndef\r\nghi\r\njkl";

TEST(Editing, GoldenScreens)
{
    const std::string rows = abcRows;
    const GoldenScreenCase cases[] = {
        // ICH inserts blanks at the cursor; cells pushed past the right edge are lost.
        { "ICH", "abcdef\x1b[1;3H\x1b[2@", "ab  cdef", "2,0" },
        { "ICH pushes off the end", "0123456789\x1b[1;1H\x1b[3@", "   0123456", "0,0" },
        // DCH deletes at the cursor and pulls the rest left.
        { "DCH", "abcdef\x1b[1;2H\x1b[2P", "adef", "1,0" },
        { "DCH 0 deletes one", "abc\x1b[1;1H\x1b[0P", "bc", "0,0" },
        // ECH blanks without moving anything; past the row end it stops there.
        { "ECH", "abcdef\x1b[1;2H\x1b[3X", "a   ef", "1,0" },
        { "ECH past the end", "abcdef\x1b[1;9H\x1b[99X", "abcdef", "8,0" },
        // REP repeats the last character printed, wherever the cursor stands, and nothing before one.
        { "REP", "ab\x1b[3b", "abbbb", "5,0" },
        { "REP wraps like printing", "abcdefgh\x1b[4b", "abcdefghhh|hh", "2,1" },
        { "REP after a carriage return", "xyz\r\x1b[2b", "zzz", "2,0" },
        { "REP after a cursor movement", "ab\x1b[2;1H\x1b[2b", "ab|bb", "2,1" },
        { "REP with nothing printed", "\x1b[3b", "", "0,0" },
        { "REP of a wide character", "\u6f22\x1b[2b", "\u6f22\u6f22\u6f22", "6,0" },
        { "REP of a character with a mark", "e\u0301\x1b[b", "e\u0301e\u0301", "2,0" },
        { "REP of a character beyond the basic plane", "\U0001F600\x1b[b", "\U0001F600\U0001F600", "4,0" },
        { "REP after a full reset", "ab\x1b" "c\x1b[3b", "", "0,0" },
        // IL, DL work inside the scroll region and only when the cursor is in it.
        { "IL", rows + "\x1b[2;1H\x1b[L", "abc||def|ghi|jkl", "0,1" },
        { "IL inside a region", rows + "\x1b[1;3r\x1b[2;1H\x1b[L", "abc||def|jkl", "0,1" },
        { "IL below the region", rows + "\x1b[1;2r\x1b[4;1H\x1b[L", "abc|def|ghi|jkl", "0,3" },
        { "DL", rows + "\x1b[1;1H\x1b[M", "def|ghi|jkl", "0,0" },
        { "DL 2 inside a region", rows + "\x1b[1;3r\x1b[1;1H\x1b[2M", "ghi|||jkl", "0,0" },
        // IL and DL return the cursor to the first column, or to the left margin.
        { "IL returns to column 1", rows + "\x1b[2;3H\x1b[L", "abc||def|ghi|jkl", "0,1" },
        { "DL returns to column 1", rows + "\x1b[2;3H\x1b[M", "abc|ghi|jkl", "0,1" },
        { "IL returns to the left margin", rows + "\x1b[?69h\x1b[2;5s\x1b[2;3H\x1b[L", "abc|d|gef|jhi| kl", "1,1" },
        { "DL returns to the left margin", rows + "\x1b[?69h\x1b[2;5s\x1b[1;3H\x1b[M", "aef|dhi|gkl|j", "1,0" },
        { "IL below the region keeps the column", rows + "\x1b[1;2r\x1b[4;3H\x1b[L", "abc|def|ghi|jkl", "2,3" },
        // ED: below, above, all.
        { "ED 0", rows + "\x1b[2;2H\x1b[J", "abc|d", "1,1" },
        { "ED 1", rows + "\x1b[2;2H\x1b[1J", "|  f|ghi|jkl", "1,1" },
        { "ED 2", rows + "\x1b[2;2H\x1b[2J", "", "1,1" },
        { "DECSED acts as ED", rows + "\x1b[2;2H\x1b[?J", "abc|d", "1,1" },
        // EL: right of, left of, the whole row.
        { "EL 0", "abcdef\x1b[1;3H\x1b[K", "ab", "2,0" },
        { "EL 1", "abcdef\x1b[1;3H\x1b[1K", "   def", "2,0" },
        { "EL 2", "abcdef\x1b[1;3H\x1b[2K", "", "2,0" },
        { "DECSEL acts as EL", "abcdef\x1b[1;3H\x1b[?K", "ab", "2,0" },
        // SU, SD scroll the region without moving the cursor.
        { "SU", rows + "\x1b[S", "def|ghi|jkl", "3,3" },
        { "SD", rows + "\x1b[2T", "||abc|def|ghi", "3,3" },
        { "SU inside a region", rows + "\x1b[2;3r\x1b[S", "abc|ghi||jkl", "0,0" },
        { "SD inside a region", rows + "\x1b[2;3r\x1b[T", "abc||def|jkl", "0,0" },
        // DECALN fills the screen with E and homes.
        { "DECALN", "ab\x1b#8", "EEEEEEEEEE|EEEEEEEEEE|EEEEEEEEEE|EEEEEEEEEE|EEEEEEEEEE", "0,0" },
    };
    expectGoldenScreens(cases);
}

struct EditingFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, tenByFiveScreen() };
};

TEST_F(EditingFixture, ErasingKeepsOnlyTheBackgroundColour)
{
    // Background-colour erase: bold and the red foreground stay out of the erased cells.
    terminal.feed("abcdef\x1b[1;31;44m\x1b[1;3H\x1b[K\x1b[2;1H\x1b[2@\x1b[3;1H\x1b[L");
    Attribute erase = CharData::Null.attribute();
    erase.bg = Attribute::Color::ansi256(4);
    for (const auto& [col, row] : { std::pair(2, 0), std::pair(9, 0), std::pair(0, 1), std::pair(5, 2) }) {
        SCOPED_TRACE(std::to_string(col) + "," + std::to_string(row));
        const auto cell = terminal.getCharData(col, row);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->attribute(), erase);
        EXPECT_EQ(cell->code(), 0u);
    }
    EXPECT_EQ(screenAttributes(terminal), "..aaaaaaaa|aa|aaaaaaaaaa");
}

TEST_F(EditingFixture, EraseBelowFromColumnZeroEndsTheWrapButEraseInLineDoesNot)
{
    terminal.feed("0123456789abc");
    ASSERT_TRUE(terminal.getLine(1)->isWrapped());
    terminal.feed("\x1b[2;1H\x1b[K");
    EXPECT_TRUE(terminal.getLine(1)->isWrapped());
    terminal.feed("\x1b[J");
    EXPECT_FALSE(terminal.getLine(1)->isWrapped());
}

TEST_F(EditingFixture, EraseScrollbackDropsOnlyTheHistory)
{
    terminal.feed("\x1b[3J");
    EXPECT_EQ(terminal.buffer().lines().count(), 5) << "nothing to drop";
    for (int i = 0; i < 8; i++)
        terminal.feed(std::to_string(i) + "\r\n");
    ASSERT_GT(terminal.buffer().yBase(), 0);
    const std::string before = screenText(terminal);
    terminal.feed("\x1b[3J");
    EXPECT_EQ(terminal.buffer().lines().count(), 5);
    EXPECT_EQ(terminal.buffer().yBase(), 0);
    EXPECT_EQ(terminal.buffer().yDisp(), 0);
    EXPECT_EQ(screenText(terminal), before);
}

TEST_F(EditingFixture, InsertAndDeleteStayBetweenTheMargins)
{
    terminal.feed("0123456789\r\nabcdefghij");
    terminal.marginMode = true;
    terminal.feed("\x1b[3;6s\x1b[1;4H\x1b[@\x1b[2;3H\x1b[9P");
    EXPECT_EQ(screenText(terminal), "012 346789|ab    ghij") << "the 5 fell off at the right margin";
    terminal.feed("\x1b[1;1H\x1b[@");
    EXPECT_EQ(screenText(terminal), "012 346789|ab    ghij") << "outside the margins nothing moves";
    terminal.feed("\x1b[1;4H\x1b[L");
    EXPECT_EQ(screenText(terminal), "01    6789|ab2 34ghij") << "a row insert moves only the margin columns";
}

TEST_F(EditingFixture, InsertWithACursorWaitingToWrapWorksOnTheLastColumn)
{
    // The row used to take the column modulo its length and insert at its start.
    terminal.feed("0123456789");
    ASSERT_EQ(cursorText(terminal), "10,0");
    terminal.feed("\x1b[@");
    EXPECT_EQ(screenText(terminal), "012345678");
}

TEST_F(EditingFixture, ErasedCharactersAreMarkedForRedrawing)
{
    // Without the mark a host that redraws only changed rows kept showing the erased text.
    terminal.feed("abc\r\ndef\x1b[2;2H");
    terminal.clearUpdateRange();
    terminal.feed("\x1b[X");
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(1, 1));
    EXPECT_EQ(screenText(terminal), "abc|d f");
}

TEST_F(EditingFixture, CursorStyleTellsTheHostOnlyOfChanges)
{
    struct StyleDelegate : RecordingTerminalDelegate {
        void cursorStyleChanged(Terminal&, CursorStyle style) override { styles.push_back(style); }
        std::vector<CursorStyle> styles;
    } host;
    terminal.setDelegate(&host);
    terminal.feed("\x1b[2 q\x1b[2 q\x1b[6 q\x1b[9 q\x1b[0 q\x1b[3q");
    EXPECT_EQ(host.styles, (std::vector { CursorStyle::steadyBlock, CursorStyle::steadyBar, CursorStyle::blinkBlock }));
    EXPECT_EQ(terminal.options.cursorStyle, CursorStyle::blinkBlock);
    terminal.setDelegate(&delegate);
}

TEST_F(EditingFixture, ConformanceLevelChoosesTheReplyForm)
{
    struct Case {
        std::vector<int> pars;
        Terminal::TerminalConformance level;
        bool send8bit;
    };
    const Case cases[] = {
        { { 61, 0 }, Terminal::TerminalConformance::vt100, false },
        { { 62, 0 }, Terminal::TerminalConformance::vt200, true },
        { { 63, 1 }, Terminal::TerminalConformance::vt300, false },
        { { 64, 2 }, Terminal::TerminalConformance::vt400, true },
        { { 65 }, Terminal::TerminalConformance::vt500, true },
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.pars[0]);
        terminal.cmdSetConformanceLevel(each.pars);
        EXPECT_EQ(terminal.conformance, each.level);
        EXPECT_EQ(terminal.cc.send8bit, each.send8bit);
    }
}

TEST_F(EditingFixture, DoubleSizeRowsMarkTheCursorRow)
{
    terminal.feed("\x1b[2;1H\x1b#6\x1b[3;1H\x1b#3\x1b#5\x1b[4;1H\x1b#4");
    EXPECT_EQ(terminal.getLine(1)->renderMode(), BufferLine::RenderLineMode::doubleWidth);
    EXPECT_EQ(terminal.getLine(2)->renderMode(), BufferLine::RenderLineMode::single);
    EXPECT_EQ(terminal.getLine(3)->renderMode(), BufferLine::RenderLineMode::doubledDown);
}

} // namespace
} // namespace zentrova
