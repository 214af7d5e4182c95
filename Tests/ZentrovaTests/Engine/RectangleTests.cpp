// Rectangle fill, erase, selective erase and copy, and column insertion and deletion, on a fresh
// 10 x 5 terminal whose every cell holds a distinct character.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"
#include "TerminalLog.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

const std::string full = "abcdefghij\r\nklmnopqrst\r\nuvwxyz0123\r\n456789ABCD\r\nEFGHIJKLMN\x1b[H";
const std::string untouched = "abcdefghij|klmnopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN";

TEST(Rectangles, GoldenScreens)
{
    const GoldenScreenCase cases[] = {
        // DECFRA: Pch, then top, left, bottom, right.
        { "fill", full + "\x1b[42;2;3;3;5$x", "abcdefghij|kl***pqrst|uv***z0123|456789ABCD|EFGHIJKLMN", "0,0" },
        { "fill with a surrogate writes spaces", full + "\x1b[55296;1;1;1;2$x",
          "  cdefghij|klmnopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN", "0,0" },
        { "fill with bottom above top", full + "\x1b[42;3;1;2;5$x", untouched, "0,0" },
        { "x without $ is no fill", full + "\x1b[42;1;1;1;1x", untouched, "0,0" },
        // DECERA: top, left, bottom, right; omitted ends reach the screen's edge, a zero end is empty.
        { "erase", full + "\x1b[2;2;3;4$z", "abcdefghij|k   opqrst|u   yz0123|456789ABCD|EFGHIJKLMN", "0,0" },
        { "erase with bottom 0", full + "\x1b[1;1;0;0$z", untouched, "0,0" },
        { "erase to the bottom-right corner", full + "\x1b[2;3$z", "abcdefghij|kl|uv|45|EF", "0,0" },
        { "erase past the screen", full + "\x1b[4;8;99;99$z", "abcdefghij|klmnopqrst|uvwxyz0123|456789A|EFGHIJK",
          "0,0" },
        { "erase in origin mode counts from the region and margins",
          full + "\x1b[2;4r\x1b[?69h\x1b[3;8s\x1b[?6h\x1b[1;1;1;1$z",
          "abcdefghij|kl nopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN", "2,1" },
        // DECSERA
        { "selective erase", full + "\x1b[1;1;1;3${", "   defghij|klmnopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN",
          "0,0" },
        // DECCRA: source top, left, bottom, right, page, then destination top, left, page.
        { "copy", full + "\x1b[1;1;2;3;1;4;5;1$v", "abcdefghij|klmnopqrst|uvwxyz0123|4567abcBCD|EFGHklmLMN",
          "0,0" },
        { "copy from page 2", full + "\x1b[1;1;2;3;2;4;5;1$v", untouched, "0,0" },
        { "copy to page 2", full + "\x1b[1;1;2;3;1;4;5;2$v", untouched, "0,0" },
        { "copy onto an overlapping lower area takes the rows as they were", full + "\x1b[1;1;3;10;1;2;1;1$v",
          "abcdefghij|abcdefghij|klmnopqrst|uvwxyz0123|EFGHIJKLMN", "0,0" },
        { "copy onto an overlapping area to the right", full + "\x1b[1;1;1;8;1;1;3;1$v",
          "ababcdefgh|klmnopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN", "0,0" },
        { "copy with zero bottom and right reaches the last row and column", full + "\x1b[4;8;0;0;1;1;1;1$v",
          "BCDdefghij|LMNnopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN", "0,0" },
        { "copy is cut at the right edge", full + "\x1b[1;1;1;5;1;1;8$v",
          "abcdefgabc|klmnopqrst|uvwxyz0123|456789ABCD|EFGHIJKLMN", "0,0" },
        { "copy is cut at the bottom", full + "\x1b[1;1;3;2;1;5;1$v",
          "abcdefghij|klmnopqrst|uvwxyz0123|456789ABCD|abGHIJKLMN", "0,0" },
        { "copy in origin mode counts source and target from the region",
          full + "\x1b[2;4r\x1b[?6h\x1b[1;1;1;3;1;2;1;1$v",
          "abcdefghij|klmnopqrst|klmxyz0123|456789ABCD|EFGHIJKLMN", "0,1" },
        // DECIC inserts blank columns at the cursor across the scroll region.
        { "insert columns", full + "\x1b[2;3H\x1b[2'}", "ab  cdefgh|kl  mnopqr|uv  wxyz01|45  6789AB|EF  GHIJKL",
          "2,1" },
        { "insert a column inside a region", full + "\x1b[2;3r\x1b[2;3H\x1b['}",
          "abcdefghij|kl mnopqrs|uv wxyz012|456789ABCD|EFGHIJKLMN", "2,1" },
        { "insert a column between margins", full + "\x1b[?69h\x1b[3;6s\x1b[1;4H\x1b['}",
          "abc deghij|klm noqrst|uvw xy0123|456 78ABCD|EFG HIKLMN", "3,0" },
        { "insert left of the left margin does nothing", full + "\x1b[?69h\x1b[3;6s\x1b[1;1H\x1b['}", untouched,
          "0,0" },
        { "insert right of the right margin does nothing", full + "\x1b[?69h\x1b[3;6s\x1b[1;8H\x1b['}", untouched,
          "7,0" },
        // DECDC deletes columns at the cursor across the scroll region.
        { "delete columns", full + "\x1b[1;3H\x1b[2'~", "abefghij|klopqrst|uvyz0123|4589ABCD|EFIJKLMN", "2,0" },
        { "delete a column between margins", full + "\x1b[?69h\x1b[3;6s\x1b[1;4H\x1b['~",
          "abcef ghij|klmop qrst|uvwyz 0123|45689 ABCD|EFGIJ KLMN", "3,0" },
        { "delete with the cursor below the region does nothing", full + "\x1b[1;2r\x1b[4;1H\x1b['~", untouched,
          "0,3" },
    };
    expectGoldenScreens(cases);
}

struct RectangleFixture : testing::Test {
    const CharData& cell(int col, int row) { return (*terminal.getLine(row))[col]; }

    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, tenByFiveScreen() };
};

TEST_F(RectangleFixture, FillAndEraseTakeTheWholeCurrentAttribute)
{
    // Unlike the erase cell of ED or EL, bold and the foreground come along.
    terminal.feed("abc\x1b[1;31;44m\x1b[33;1;1;1;1$x\x1b[1;2;1;2$z\x1b[m");
    Attribute expected = CharData::Null.attribute();
    expected.fg = Attribute::Color::ansi256(1);
    expected.bg = Attribute::Color::ansi256(4);
    expected.style = CharacterStyle::bold;
    EXPECT_EQ(cell(0, 0).code(), uint32_t('!'));
    EXPECT_EQ(cell(1, 0).code(), uint32_t(' '));
    for (int col : { 0, 1 }) {
        SCOPED_TRACE(col);
        EXPECT_EQ(cell(col, 0).attribute(), expected);
        EXPECT_EQ(cell(col, 0).width(), 1);
    }
    EXPECT_EQ(cell(2, 0).attribute(), CharData::Null.attribute());
}

TEST_F(RectangleFixture, SelectiveEraseKeepsAttributesAndCopyCarriesThem)
{
    terminal.feed("\x1b[1;32mab\x1b[m\x1b[1;1;1;1${\x1b[1;1;1;2;1;3;4;1$v");
    const Attribute styled = cell(1, 0).attribute();
    EXPECT_EQ(styled.style, CharacterStyle::bold);
    EXPECT_EQ(cell(0, 0).code(), uint32_t(' '));
    EXPECT_EQ(cell(0, 0).attribute(), styled);
    EXPECT_EQ(cell(3, 2).code(), uint32_t(' '));
    EXPECT_EQ(cell(4, 2).code(), uint32_t('b'));
    EXPECT_EQ(cell(3, 2).attribute(), styled);
    EXPECT_EQ(cell(4, 2).attribute(), styled);
}

TEST_F(RectangleFixture, FillBeyondTheBasicPlane)
{
    // The parser caps parameters at 65535, so only a direct call can ask for these.
    const uint8_t dollar[] = { '$' };
    terminal.feed("\xF0\x9F\x98\x80");
    const int emoji[] = { 0x1F600, 2, 1, 2, 1 };
    terminal.csiX(emoji, dollar);
    EXPECT_EQ(cell(0, 1).code(), cell(0, 0).code());
    EXPECT_EQ(cell(0, 1).width(), 1);
    EXPECT_EQ(terminal.getCharacter(0, 1), "\xF0\x9F\x98\x80");
    const int beyondUnicode[] = { 0x110000, 3, 1, 3, 1 };
    terminal.csiX(beyondUnicode, dollar);
    EXPECT_EQ(cell(0, 2).code(), uint32_t(' '));
}

TEST_F(RectangleFixture, EditsMarkTheTouchedRowsDirty)
{
    struct Case {
        const char* name;
        const char* setup;
        const char* edit;
        std::pair<int, int> rows;
    };
    const Case cases[] = {
        { "fill", "", "\x1b[42;2;1;3;2$x", { 1, 2 } },
        { "erase", "", "\x1b[3;1;4;2$z", { 2, 3 } },
        { "selective erase", "", "\x1b[4;1;5;2${", { 3, 4 } },
        { "copy marks the destination", "", "\x1b[1;1;1;2;1;4;1;1$v", { 3, 3 } },
        { "insert columns mark the region", "\x1b[2;4r\x1b[2;1H", "\x1b['}", { 1, 3 } },
        { "delete columns mark the region", "\x1b[2;4r\x1b[2;1H", "\x1b['~", { 1, 3 } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        terminal.feed("\x1b[r\x1b[H");
        terminal.feed(test.setup);
        terminal.clearUpdateRange();
        terminal.feed(test.edit);
        const auto range = terminal.getUpdateRange();
        ASSERT_TRUE(range);
        EXPECT_EQ(*range, test.rows);
    }
}

TEST_F(RectangleFixture, AShortRowTakesWritesBeyondItsEndOnItsLastCellAndLogsEachOne)
{
    Buffer& buffer = terminal.buffer();
    buffer.line(buffer.yBase()).resize(4, CharData::Null);
    TerminalLog log(terminal);
    std::string clamped;
    for (int column = 5; column <= 10; column++)
        clamped += std::string(BufferLine::clampMessage) + "\n";
    EXPECT_EQ(log.of("\x1b[42;1;1;1;10$x"), clamped);
    EXPECT_EQ(screenText(terminal), "****");
    EXPECT_EQ(terminal.getLine(0)->count(), 4);
}

TEST_F(RectangleFixture, CollectsThatAreNotServedAreLoggedWhenLoggingIsOn)
{
    struct Case {
        const char* script;
        const char* line;
    };
    const Case cases[] = {
        { "\x1b[1;2#x", "Info: Not implemented CSI x with collect: collect=[35] and pars=[1, 2]\n" },
        { "\x1b[3#{", "Info: CSI # { not implemented - XTPUSHSGR with [35] and pars=[3]\n" },
        { "\x1b[#}", "Info: CSI # } not implemented- XTPOPSGR with [35] and pars=[0]\n" },
        { "\x1b['z", "TODO: Enable Locator Reporting (DECELR)\n" },
    };
    TerminalLog log(terminal);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.script);
        EXPECT_EQ(log.of(test.script), test.line);
    }
    terminal.silentLog = true;
    EXPECT_EQ(log.of("\x1b[1#x\x1b['z"), "");
    EXPECT_EQ(screenText(terminal), "");
}

} // namespace
} // namespace zentrova
