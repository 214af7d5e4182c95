// Golden screens: byte scripts fed to a small terminal, compared as text, cursor and attributes,
// once whole and once split at every byte.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

#include <functional>

namespace zentrova {
namespace {

const Attribute redOnBlue { Attribute::Color::ansi256(1), Attribute::Color::ansi256(4), CharacterStyle::none,
                            UnderlineStyle::none, std::nullopt };

void autowrapOff(Terminal& terminal)
{
    terminal.wraparound = false;
    terminal.buffer().wraparound = false;
}

void insertModeOn(Terminal& terminal)
{
    terminal.insertMode = true;
    terminal.buffer().insertMode = true;
}

struct Case {
    const char* name;
    std::string bytes;
    std::string text;
    std::string cursor;
    std::string attributes = "";
    std::function<void(Terminal&)> prepare = nullptr;
    TerminalOptions options = {};
};

std::string repeated(const std::string& text, int count)
{
    std::string result;
    for (int i = 0; i < count; i++)
        result += text;
    return result;
}

TerminalOptions narrowRegionalIndicators()
{
    TerminalOptions options = screenSize(10, 4);
    options.regionalIndicatorWidth = RegionalIndicatorWidth::narrow;
    return options;
}

const Case cases[] = {
    { "plain text", "hello", "hello", "5,0" },
    { "carriage return and line feed", "ab\r\ncd", "ab|cd", "2,1" },
    { "line feed keeps the column", "ab\ncd", "ab|  cd", "4,1" },
    { "auto-wrap continues on the next row", "0123456789AB", "0123456789|AB", "2,1" },
    // After the last column the cursor waits past the edge; only the next character wraps.
    { "pending wrap", "0123456789", "0123456789", "10,0" },
    { "carriage return cancels a pending wrap", "0123456789\rX", "X123456789", "1,0" },
    { "line feed in the pending-wrap state", "0123456789\n", "0123456789", "9,1" },
    { "auto-wrap off overwrites the last column", "0123456789AB", "012345678B", "10,0", "", autowrapOff },
    { "wide character at the right margin wraps whole", "012345678漢", "012345678|漢", "2,1" },
    { "wide character at the right margin without auto-wrap is dropped", "012345678漢", "012345678", "9,0", "",
      autowrapOff },
    { "wide characters", "漢字x", "漢字x", "5,0" },
    { "combining mark joins the cell before", "e\u0301x", "e\u0301x", "2,0" },
    { "combining mark after a wide character skips its right half", "漢\u0301", "漢\u0301", "2,0" },
    { "combining mark with nothing before it is dropped", "\u0301a", "a", "1,0" },
    { "combining mark after a run of wide characters joins the last", "漢字\u0301x", "漢字\u0301x", "5,0" },
    { "run of wide characters wraps whole", "漢字漢字漢字", "漢字漢字漢|字", "2,1" },
    { "run of wide characters scrolls at the bottom", "\n\n\n漢字漢字漢字", "||漢字漢字漢|字", "2,3" },
    { "long run of wide characters", repeated("漢", 100), "漢漢漢漢漢|漢漢漢漢漢|漢漢漢漢漢|漢漢漢漢漢", "10,3" },
    { "emoji after a zero-width joiner joins the sequence", "\U0001F468\u200D\u2764x",
      "\U0001F468\u200D\u2764x", "3,0" },
    { "insert mode pushes the row right for each wide character", "abcd\r漢字", "漢字abcd", "4,0", "",
      insertModeOn },
    { "zero-width joiner sequence is one cell", "\U0001F468\u200D\U0001F469\u200D\U0001F467!",
      "\U0001F468\u200D\U0001F469\u200D\U0001F467!", "3,0" },
    { "skin-tone modifier joins", "\U0001F44D\U0001F3FD.", "\U0001F44D\U0001F3FD.", "3,0" },
    { "VS16 widens a text-default emoji", "\u2764\uFE0F!", "\u2764\uFE0F!", "3,0" },
    { "VS16 at the last column stays narrow", "012345678\u2764\uFE0F", "012345678\u2764\uFE0F", "10,0" },
    { "VS15 narrows an emoji-default one", "\u231A\uFE0E!", "\u231A\uFE0E!", "2,0" },
    { "VS16 after a letter is dropped", "a\uFE0Fb", "ab", "2,0" },
    { "flag of two regional indicators", "\U0001F1E9\U0001F1EA!", "\U0001F1E9\U0001F1EA!", "3,0" },
    { "narrow regional indicators pair into a wide flag", "\U0001F1E9\U0001F1EA!", "\U0001F1E9\U0001F1EA!", "3,0", "",
      nullptr, narrowRegionalIndicators() },
    { "tab to the next stop", "a\tb", "a       b", "9,0" },
    { "tab stops at the last column", "\t\t\tx", "         x", "10,0" },
    { "CHT moves several stops", "\x1b[2Ix", "         x", "10,0" },
    { "CBT moves back a stop", "\t\tx\x1b[Zy", "        yx", "9,0" },
    { "HTS sets a stop at the cursor", "abc\x1bH\r\tx", "abcx", "4,0" },
    { "backspace", "abc\b\bX", "aXc", "2,0" },
    { "backspace at column 0 stays", "\bX", "X", "1,0" },
    { "insert mode pushes the row right", "abc\rX", "Xabc", "1,0", "", insertModeOn },
    { "insert mode drops a wide character pushed off the edge", "01234567漢\rX", "X01234567", "1,0", "",
      insertModeOn },
    { "scrolling at the bottom", "1\r\n2\r\n3\r\n4\r\n5", "2|3|4|5", "1,3" },
    { "index and next line", "ab\x1b" "Dc\x1b" "Ed", "ab|  c|d", "1,2" },
    { "C1 index and next line in a sequence context", "ab\x1b[\x84", "ab", "2,1" },
    { "DEC line drawing in G0", "\x1b(0qx\x1b(Bq", "─│q", "3,0" },
    { "shift out to G1 and back", "\x1b)0\x0eq\x0fq", "─q", "2,0" },
    { "G2 invoked by LS2", "\x1b*0\x1bnq", "─", "1,0" },
    { "invalid UTF-8: a Latin-1 byte before ASCII", "caf\xE9 ok", "café ok", "7,0" },
    { "invalid UTF-8: truncated sequence", "\xE2\x82X", "âX", "2,0" },
    { "invalid UTF-8: overlong form", "\xC0\xAF", "À¯", "2,0" },
    { "invalid UTF-8: encoded surrogate", "\xED\xA0\x80z", "íz", "2,0" },
    { "C1 control and DEL print nothing", "a\xC2\x85\x7F" "b", "ab", "2,0" },
    { "wide character filler carries the attribute", "漢", "漢", "2,0", "aa",
      [](Terminal& t) { t.curAttr = redOnBlue; } },
    // New rows take the background of the current attribute only.
    { "scrolled-in row takes the erase attribute", "\n\n\nx\n", "||x", "1,3", "||a|bbbbbbbbbb",
      [](Terminal& t) { t.curAttr = redOnBlue; } },
};

TEST(TerminalScreen, GoldenScreensFedWholeAndByteByByte)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalOptions options = c.options.cols == 80 ? screenSize(10, 4) : c.options;
        for (bool split : { false, true }) {
            SCOPED_TRACE(split ? "split at every byte" : "whole");
            RecordingTerminalDelegate delegate;
            Terminal terminal(&delegate, options);
            if (c.prepare)
                c.prepare(terminal);
            feedWholeOrByteByByte(terminal, c.bytes, split);
            EXPECT_EQ(screenText(terminal), c.text);
            EXPECT_EQ(cursorText(terminal), c.cursor);
            EXPECT_EQ(screenAttributes(terminal), c.attributes);
        }
    }
}

} // namespace
} // namespace zentrova
