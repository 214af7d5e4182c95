#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrova {
namespace {

struct TextExtractionFixture : testing::Test {
    std::string data(Terminal::BufferKind kind = Terminal::BufferKind::active, TextEncoding encoding = TextEncoding::utf8)
    {
        const auto bytes = terminal.getBufferAsData(kind, encoding);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string row(int line, int start = 0, int end = -1)
    {
        return terminal.translateBufferLineToString(terminal.buffer(), line, start, end);
    }

    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, screenSize(10, 5) };
};

TEST_F(TextExtractionFixture, GetTextJoinsRowsAndCountsBlankRowsOnlyBetweenText)
{
    struct Case {
        const char* name;
        const char* input;
        Position start;
        Position end;
        std::string expected;
    };
    const Case cases[] = {
        { "rows joined by newlines", "ab\r\ncd", { 0, 0 }, { 10, 1 }, "ab\ncd" },
        { "blank row between text", "ab\r\n\r\ncd", { 0, 0 }, { 10, 2 }, "ab\n\ncd" },
        { "two blank rows between text", "ab\r\n\r\n\r\ncd", { 0, 0 }, { 10, 3 }, "ab\n\n\ncd" },
        { "trailing blank rows add nothing", "ab\r\n\r\n", { 0, 0 }, { 5, 4 }, "ab" },
        { "a blank first row gives a newline", "\r\nab", { 0, 0 }, { 10, 1 }, "\nab" },
        { "soft-wrapped rows join", "0123456789abc", { 0, 0 }, { 10, 1 }, "0123456789abc" },
        { "unwritten cells inside a row are spaces", "ab\x1b[3Ccd", { 0, 0 }, { 10, 0 }, "ab   cd" },
        { "trailing unwritten cells are dropped", "ab\r\ncd", { 0, 0 }, { 10, 1 }, "ab\ncd" },
        { "start and end columns, end excluded", "abcdef\r\nghijkl", { 2, 0 }, { 3, 1 }, "cdef\nghi" },
        { "positions in reverse order", "abcdef", { 4, 0 }, { 1, 0 }, "bcd" },
        { "equal positions", "abcdef", { 2, 0 }, { 2, 0 }, "" },
        { "start row beyond the buffer", "abcdef", { 0, 5 }, { 3, 6 }, "" },
        { "negative start row", "abcdef", { 0, -1 }, { 3, 0 }, "" },
        { "end row clamped to the last row", "ab\r\n\r\n\r\n\r\ncd", { 0, 0 }, { 10, 40 }, "ab\n\n\n\ncd" },
        { "wide characters are one character", "\xE6\xBC\xA2x", { 0, 0 }, { 10, 0 }, "\xE6\xBC\xA2x" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        terminal.feed(c.input);
        EXPECT_EQ(terminal.getText(c.start, c.end), c.expected);
    }
}

// Erasing with a background colour writes the row: it is no longer blank, only empty.
TEST_F(TextExtractionFixture, RowsWithAttributesButNoTextAreNotBlank)
{
    terminal.feed("ab\r\n\x1b[41m\x1b[K\x1b[m\r\n");
    EXPECT_EQ(terminal.getText({ 0, 0 }, { 10, 1 }), "ab\n");
    EXPECT_EQ(terminal.getText({ 0, 0 }, { 10, 2 }), "ab\n") << "the blank row after it still adds nothing";
}

TEST_F(TextExtractionFixture, SelectedLinesSplitAtNewlinesWithFragmentsPerRow)
{
    terminal.feed("ab\r\n\r\n0123456789cd");
    const auto lines = terminal.getSelectedLines({ 1, 0 }, { 1, 3 }, terminal.buffer());
    std::vector<std::string> described;
    for (const auto& line : lines)
        described.push_back(line.debugDescription());
    EXPECT_EQ(described, (std::vector<std::string> { "2/2: [b][\\n][", "2/1: [][\\n][", "2/11: [0123456789][c][" }));

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].fragments()[0], (LineFragment { "b", 0, 1, 1 }));
    EXPECT_EQ(lines[0].fragments()[1], (LineFragment { "\n", 0, -1, 1 }));
    EXPECT_EQ(lines[1].fragments()[0], (LineFragment { "", 1, 0, 0 }));
    EXPECT_EQ(lines[2].fragments()[1], (LineFragment { "c", 3, 0, 1 })) << "the wrapped row adds no newline";
}

TEST_F(TextExtractionFixture, FragmentLengthsCountCharactersNotBytes)
{
    terminal.feed("\xE6\xBC\xA2" "e\xCC\x81" "x");
    const auto lines = terminal.getSelectedLines({ 0, 0 }, { 10, 0 }, terminal.buffer());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].fragments()[0], (LineFragment { "\xE6\xBC\xA2" "e\xCC\x81" "x", 0, 0, 3 }));
    EXPECT_EQ(lines[0].length(), 3);
}

// Export keeps the row up to its last written cell as it is; extracted text reads unwritten cells
// as spaces. Both skip the right half of a wide character and read an interned cluster whole.
TEST_F(TextExtractionFixture, BufferDataAndRowTextReadCellsDifferently)
{
    terminal.feed("a\x1b[2Cb\r\n"
                  "\xE6\xBC\xA2" "z\r\n"
                  "e\xCC\x81\xF0\x9F\x98\x80!");
    EXPECT_EQ(data(), std::string("a\0\0b\n", 5) + "\xE6\xBC\xA2z\n" "e\xCC\x81\xF0\x9F\x98\x80!\n\n\n");
    EXPECT_EQ(row(0), "a  b");
    EXPECT_EQ(row(1), "\xE6\xBC\xA2z");
    EXPECT_EQ(row(2), "e\xCC\x81\xF0\x9F\x98\x80!");
}

TEST_F(TextExtractionFixture, RowTextRespectsItsColumnsAndTrimmedLength)
{
    terminal.feed("abcdef\x1b[2Cg\r\n\xE6\xBC\xA2\xE5\xAD\x97");
    struct Case {
        int line;
        int start;
        int end;
        std::string expected;
    };
    const Case cases[] = {
        { 0, 0, -1, "abcdef  g" },
        { 0, 2, 4, "cd" },
        { 0, 5, 8, "f  " },
        { 0, 9, -1, "" },
        { 0, 20, 30, "" },
        { 1, 1, -1, "\xE5\xAD\x97" },
        { 1, 2, -1, "\xE5\xAD\x97" },
        { 1, 0, 2, "\xE6\xBC\xA2" },
        { 7, 0, -1, "" },
        { -1, 0, -1, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.line) + ":" + std::to_string(c.start) + "-" + std::to_string(c.end));
        EXPECT_EQ(row(c.line, c.start, c.end), c.expected);
    }
}

TEST_F(TextExtractionFixture, BufferDataLeavesOutRowsTheEncodingCannotHold)
{
    terminal.feed("plain\r\ncaf\xC3\xA9\r\n\xE6\xBC\xA2");
    EXPECT_EQ(data(Terminal::BufferKind::active, TextEncoding::ascii), "plain\n\n\n");
    EXPECT_EQ(data(Terminal::BufferKind::active, TextEncoding::isoLatin1), "plain\ncaf\xE9\n\n\n");
    EXPECT_EQ(data(Terminal::BufferKind::active, TextEncoding::utf8), "plain\ncaf\xC3\xA9\n\xE6\xBC\xA2\n\n\n");
}

TEST_F(TextExtractionFixture, BufferDataReadsTheChosenScreenWithItsScrollback)
{
    for (int i = 0; i < 6; i++)
        terminal.feed("row" + std::to_string(i) + "\r\n");
    terminal.feed("\x1b[?1049h\x1b[Halt");
    const std::string normal = data(Terminal::BufferKind::normal);
    EXPECT_EQ(normal, "row0\nrow1\nrow2\nrow3\nrow4\nrow5\n\n") << "scrollback rows come first";
    EXPECT_EQ(data(Terminal::BufferKind::alt), "alt\n\n\n\n\n");
    EXPECT_EQ(data(), data(Terminal::BufferKind::alt));
}

} // namespace
} // namespace zentrova
