#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrova {
namespace {

TerminalOptions smallScreen(int cols, int rows, int scrollback = 500)
{
    TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    options.scrollback = scrollback;
    return options;
}

struct PrintingFixture : testing::Test {
    const CharData& cell(int col, int row) { return (*terminal.getLine(row))[col]; }

    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, smallScreen(10, 4) };
};

TEST_F(PrintingFixture, CharacterSplitAcrossReadsPrintsOnce)
{
    terminal.feed("a\xE6");
    EXPECT_EQ(screenText(terminal), "a") << "the first byte waits for the rest";
    EXPECT_EQ(cursorText(terminal), "1,0");
    terminal.feed("\xBC\xA2");
    EXPECT_EQ(screenText(terminal), "a漢");
    EXPECT_EQ(cell(1, 0).width(), 2);
}

// A sequence interrupted by an escape sequence starts over: the held byte is dropped, whether the
// sequence comes in the same read or in a later one, whole or cut, and a later continuation byte
// prints on its own. A control byte is no sequence: the character goes on after it.
TEST(Printing, EscapeSequenceDropsAHalfReceivedCharacter)
{
    const struct {
        std::vector<std::string> reads;
        std::string text;
    } cases[] = {
        { { "\xE6\xBC\x1b[Wz" }, "z" },
        { { "\xE6\xBC", "\x1b[W", "\xA2z" }, "\u00A2z" },
        { { "\xE6\xBC", "\x1b", "[W", "\xA2z" }, "\u00A2z" },
        { { "\xE6", "\x1b" "c", "\xBC\xA2z" }, "\u00BC\u00A2z" },
        { { "\xE6\xBC", "\r", "\xA2z" }, "漢z" },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(testing::PrintToString(each.reads));
        RecordingTerminalDelegate delegate;
        Terminal terminal { &delegate, smallScreen(10, 4) };
        for (const std::string& read : each.reads)
            terminal.feed(read);
        EXPECT_EQ(screenText(terminal), each.text);
    }
}

TEST_F(PrintingFixture, CharactersBeyondTheBasicPlaneGetReusedInternedCodes)
{
    terminal.feed("\U0001F600\U0001F600");
    const uint32_t code = cell(0, 0).code();
    EXPECT_GE(code, 0x400001u);
    EXPECT_EQ(cell(2, 0).code(), code);
    EXPECT_EQ(terminal.getCharacter(code), "\U0001F600");
    EXPECT_EQ(terminal.internedCharacters().size(), 1u);
    EXPECT_EQ(terminal.code(U"\r\n"), uint32_t('\n'));
    EXPECT_EQ(terminal.getCharacter(0xD800u), " ") << "a surrogate is no character";
}

TEST_F(PrintingFixture, PresentationSelectorsChangeTheWidth)
{
    terminal.feed("\u2764");
    EXPECT_EQ(cell(0, 0).width(), 1);
    terminal.feed("\uFE0F");
    EXPECT_EQ(cell(0, 0).width(), 2);
    EXPECT_EQ(cell(1, 0).width(), 0) << "the filler of the widened cell";
    EXPECT_EQ(cursorText(terminal), "2,0");

    terminal.feed("\r\n\u231A");
    EXPECT_EQ(cell(0, 1).width(), 2);
    terminal.feed("\uFE0E");
    EXPECT_EQ(cell(0, 1).width(), 1);
    EXPECT_EQ(cursorText(terminal), "1,1");
}

TEST_F(PrintingFixture, InsertModePushingAWideCharacterOffTheEdgeLeavesABlank)
{
    terminal.feed("01234567漢\r");
    terminal.insertMode = true;
    terminal.buffer().insertMode = true;
    terminal.feed("X");
    EXPECT_EQ(screenText(terminal), "X01234567");
    EXPECT_EQ(cell(9, 0).code(), 0u);
    EXPECT_EQ(cell(9, 0).width(), 1) << "not half a wide character";
}

TEST_F(PrintingFixture, PrintingMarksTheCursorRowsDirty)
{
    terminal.clearUpdateRange();
    EXPECT_FALSE(terminal.getUpdateRange());
    terminal.feed("\n\nab");
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(2, 2));
    terminal.feed("0123456789");
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(2, 3)) << "the run wrapped onto the next row";
}

TEST_F(PrintingFixture, ScrollReportsTheViewportAndMarksTheRegion)
{
    terminal.feed("\n\n\n");
    terminal.clearUpdateRange();
    delegate.events.clear();
    terminal.feed("\n");
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "scrolled:1", "linefeed" }));
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, 3));
    EXPECT_FALSE(terminal.getScrollInvariantUpdateRange()) << "rows that went to the scrollback keep their numbers";
    EXPECT_EQ(terminal.buffer().yBase(), 1);
    EXPECT_EQ(terminal.buffer().yDisp(), 1);
}

TEST(TerminalPrinting, FullRingRecyclesTheOldestRow)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate, smallScreen(10, 2, 3));
    for (int i = 0; i < 8; i++)
        terminal.feed("line" + std::to_string(i) + "\r\n");
    Buffer& buffer = terminal.buffer();
    EXPECT_EQ(buffer.lines().count(), 5);
    EXPECT_EQ(buffer.yBase(), 3);
    EXPECT_EQ(buffer.linesTop, 4) << "four rows left the top of the ring";
    EXPECT_EQ(buffer.line(0).translateToString(true), "line4");
    EXPECT_EQ(screenText(terminal), "line7");
    EXPECT_EQ(terminal.getScrollInvariantLine(4), &buffer.line(0));
    EXPECT_EQ(terminal.getScrollInvariantLine(3), nullptr);
}

TEST(TerminalPrinting, UserScrolledBackKeepsSeeingTheSameRows)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate, smallScreen(10, 2, 3));
    for (int i = 0; i < 5; i++)
        terminal.feed("line" + std::to_string(i) + "\r\n");
    terminal.buffer().setYDisp(1);
    terminal.userScrolling = true;
    const std::string shown = terminal.getLine(0)->translateToString(true);
    terminal.feed("more\r\n");
    EXPECT_EQ(terminal.buffer().yDisp(), 0);
    EXPECT_EQ(terminal.getLine(0)->translateToString(true), shown);
}

// A stream of distinct grapheme clusters must not grow the table without end: once it is full,
// codes of clusters that scrolled out of the ring are handed out again.
TEST(TerminalPrinting, InternedClustersAreBoundedAndReused)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate, smallScreen(10, 3, 10));
    const size_t total = InternedCharacters::capacity + InternedCharacters::capacity / 4;
    std::string last;
    for (size_t i = 0; i < total; i++) {
        // A distinct ideograph with a combining acute accent: one two-column cluster each.
        std::u32string cluster { char32_t(0x4E00 + i % 0x5000), char32_t(0x0300 + i / 0x5000) };
        std::string bytes;
        for (char32_t scalar : cluster)
            appendUtf8(bytes, scalar);
        terminal.feed(bytes);
        last = bytes;
    }
    EXPECT_LE(terminal.internedCharacters().size(), InternedCharacters::capacity);
    const auto [x, y] = terminal.getCursorLocation();
    const CharData lastCell = *terminal.getCharData(x - 2, y);
    EXPECT_TRUE(InternedCharacters::isInternedCode(lastCell.code()));
    EXPECT_EQ(terminal.getCharacter(lastCell.code()), last) << "a reused code reads as its new cluster";
    EXPECT_EQ(lastCell.width(), 2);
}

TEST(TerminalPrinting, ClustersFallBackToTheirFirstScalarWhileTheTableIsFullOfLiveCodes)
{
    RecordingTerminalDelegate delegate;
    // Room for every cluster on the screen and in the scrollback: none can be given back.
    const size_t total = InternedCharacters::capacity + 100;
    const int cols = 200;
    Terminal terminal(&delegate, smallScreen(cols, 50, int(total * 2 / cols) + 10));
    std::string bytes;
    for (size_t i = 0; i < total; i++) {
        // A distinct two-column ideograph with one combining mark.
        appendUtf8(bytes, char32_t(0x4E00 + i % 0x5000));
        appendUtf8(bytes, char32_t(0x0300 + i / 0x5000));
    }
    terminal.feed(bytes);
    ASSERT_TRUE(terminal.internedCharacters().isFull());
    const auto [x, y] = terminal.getCursorLocation();
    EXPECT_EQ(terminal.getCharData(x - 2, y)->code(), 0x4E00 + (total - 1) % 0x5000)
        << "the last cluster kept its ideograph only";

    terminal.feed("\r\nq\u0308\u20DD");
    const int row = terminal.getCursorLocation().second;
    EXPECT_EQ(terminal.getCharData(0, row)->code(), uint32_t('q'));
    EXPECT_EQ(terminal.getCursorLocation().first, 1);
}

// A cluster of thousands of marks (or joined emoji) keeps a bounded number of scalars and interns a
// bounded number of codes, whether it arrives in one read or byte by byte.
TEST(TerminalPrinting, EndlessClusterStaysBounded)
{
    constexpr size_t bound = InternedCharacters::maxClusterLength;
    const struct {
        const char* name;
        std::u32string base;
        std::u32string repeated;
    } cases[] = {
        { "combining acute", U"e", U"\u0301" },
        { "joined men", U"", U"\U0001F468\u200D" },
    };
    for (const auto& each : cases) {
        std::string bytes;
        for (char32_t scalar : each.base)
            appendUtf8(bytes, scalar);
        for (int i = 0; i < 3000; i++)
            for (char32_t scalar : each.repeated)
                appendUtf8(bytes, scalar);
        for (const bool byteByByte : { false, true }) {
            SCOPED_TRACE(std::string(each.name) + (byteByByte ? ", byte by byte" : ", one read"));
            RecordingTerminalDelegate delegate;
            Terminal terminal(&delegate, smallScreen(80, 25, 100));
            if (byteByByte) {
                for (char byte : bytes)
                    terminal.feed(std::string_view(&byte, 1));
            } else {
                terminal.feed(bytes);
            }
            const std::u32string first = terminal.character(terminal.getCharData(0, 0)->code());
            EXPECT_EQ(first.size(), bound);
            EXPECT_EQ(first.substr(0, 2), (each.base + each.repeated).substr(0, 2));
            EXPECT_LE(terminal.internedCharacters().size(), bound) << "one code per length at most";
            const auto [x, y] = terminal.getCursorLocation();
            for (int row = 0; row <= y; row++) {
                for (int col = 0; col < 80; col++)
                    EXPECT_LE(terminal.character(terminal.getCharData(col, row)->code()).size(), bound);
            }
        }
    }
}

} // namespace
} // namespace zentrova
