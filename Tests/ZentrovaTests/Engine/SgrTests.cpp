// Character attributes: each row feeds one SGR sequence to a fresh terminal and names the attribute
// it must leave, built from the default attribute by the row's edit.

#include "RecordingTerminalDelegate.h"
#include "TerminalLog.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

#include <functional>

namespace zentrova {
namespace {

using CellColor = Attribute::Color;

Attribute defaults()
{
    return CharData::Null.attribute();
}

Attribute with(const std::function<void(Attribute&)>& edit)
{
    Attribute attribute = defaults();
    edit(attribute);
    return attribute;
}

Attribute styled(CharacterStyle style, UnderlineStyle underline = UnderlineStyle::none)
{
    return with([&](Attribute& a) {
        a.style = style;
        a.underlineStyle = underline;
    });
}

TEST(Sgr, GoldenAttributes)
{
    const CharacterStyle underline = CharacterStyle::underline;
    const struct {
        const char* script;
        Attribute expected;
    } cases[] = {
        { "\x1b[1;31m\x1b[m", defaults() },
        { "\x1b[1;31m\x1b[0;1m", styled(CharacterStyle::bold) },
        { "\x1b[1;2;3;5;7;8;9m", styled(CharacterStyle { 0xFD }) },
        { "\x1b[1;2;3;5;7;8;9m\x1b[22;23;25;27;28;29m", defaults() },
        { "\x1b[1;2m\x1b[22m", defaults() },
        { "\x1b[4m", styled(underline, UnderlineStyle::single) },
        { "\x1b[4:3m", styled(underline, UnderlineStyle::curly) },
        { "\x1b[4:2m", styled(underline, UnderlineStyle::double_) },
        { "\x1b[4:5m", styled(underline, UnderlineStyle::dashed) },
        { "\x1b[4:9m", styled(underline, UnderlineStyle::single) },
        { "\x1b[4m\x1b[4:0m", defaults() },
        { "\x1b[4;3m", styled(underline | CharacterStyle::italic, UnderlineStyle::single) },
        { "\x1b[21m", styled(underline, UnderlineStyle::double_) },
        { "\x1b[1m\x1b[21m", styled(underline | CharacterStyle::bold, UnderlineStyle::double_) },
        { "\x1b[4m\x1b[24m", defaults() },
        { "\x1b[31;42m", with([](Attribute& a) { a.fg = CellColor::ansi256(1), a.bg = CellColor::ansi256(2); }) },
        { "\x1b[97;100m", with([](Attribute& a) { a.fg = CellColor::ansi256(15), a.bg = CellColor::ansi256(8); }) },
        { "\x1b[31;42m\x1b[39;49m", defaults() },
        { "\x1b[38;5;300m", with([](Attribute& a) { a.fg = CellColor::ansi256(255); }) },
        { "\x1b[38:5:17m", with([](Attribute& a) { a.fg = CellColor::ansi256(17); }) },
        { "\x1b[48;2;10;20;30m", with([](Attribute& a) { a.bg = CellColor::trueColor(10, 20, 30); }) },
        // xterm wants the colour space first; the short form without it is accepted here too.
        { "\x1b[38:2:10:20:30m", with([](Attribute& a) { a.fg = CellColor::trueColor(10, 20, 30); }) },
        { "\x1b[38:2::10:20:30m", with([](Attribute& a) { a.fg = CellColor::trueColor(10, 20, 30); }) },
        { "\x1b[38:2:1:10:20:300m", with([](Attribute& a) { a.fg = CellColor::trueColor(10, 20, 255); }) },
        // Too few values: nothing is set and the loop goes on after the 2.
        { "\x1b[38;2;10m", defaults() },
        { "\x1b[38;2;1m", styled(CharacterStyle::bold) },
        { "\x1b[38;5m", defaults() },
        { "\x1b[38:5m", defaults() },
        { "\x1b[38;2;10;20;30;1m", with([](Attribute& a) { a.fg = CellColor::trueColor(10, 20, 30), a.style = CharacterStyle::bold; }) },
        { "\x1b[38:5:1;4m", with([](Attribute& a) {
              a.fg = CellColor::ansi256(1), a.style = CharacterStyle::underline, a.underlineStyle = UnderlineStyle::single;
          }) },
        { "\x1b[58:5:196m", with([](Attribute& a) { a.underlineColor = CellColor::ansi256(196); }) },
        { "\x1b[58;2;1;2;3m", with([](Attribute& a) { a.underlineColor = CellColor::trueColor(1, 2, 3); }) },
        { "\x1b[58:5:196m\x1b[59m", defaults() },
        { "\x1b[>4;1m", defaults() },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.script + 1);
        RecordingTerminalDelegate delegate;
        Terminal terminal(&delegate);
        terminal.feed(each.script);
        EXPECT_EQ(terminal.curAttr, each.expected);
    }
}

TEST(Sgr, PrintedAndErasedCellsTakeTheAttribute)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate);
    terminal.feed("\x1b[1;4:3;38;5;9;48;5;4;58;5;2mA\x1b[K");
    const auto printed = terminal.getCharData(0, 0);
    ASSERT_TRUE(printed);
    EXPECT_EQ(printed->attribute(), terminal.curAttr);
    EXPECT_EQ(printed->attribute().underlineColor, CellColor::ansi256(2));
    const auto erased = terminal.getCharData(1, 0);
    ASSERT_TRUE(erased);
    EXPECT_EQ(erased->attribute(), with([](Attribute& a) { a.bg = CellColor::ansi256(4); }));
}

TEST(Sgr, UnknownValuesAreReportedAndSkipped)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate);
    TerminalLog log(terminal);
    EXPECT_EQ(log.of("\x1b[6;1;60m"), "Unknown SGR attribute: 6 [6, 1, 60]\nUnknown SGR attribute: 60 [6, 1, 60]\n");
    EXPECT_EQ(terminal.curAttr, styled(CharacterStyle::bold));
}

} // namespace
} // namespace zentrova
