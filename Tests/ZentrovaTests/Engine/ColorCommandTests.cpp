// The colour commands: palette entries, default colours and the cursor colour, set, queried and
// reset; replies are compared byte for byte in their 7-bit and 8-bit forms.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

struct ColorCommandFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate };

    std::string reply(const std::string& script)
    {
        delegate.sent.clear();
        terminal.feed(script);
        return delegate.sent;
    }
};

TEST_F(ColorCommandFixture, QueriesAnswerInSevenAndEightBitFormEndingWithST)
{
    // The default colours first: setting them rebuilds the palette.
    terminal.feed("\x1b]10;rgb:12/34/56\x1b\\\x1b]11;#abcdef\x07\x1b]4;1;rgb:ff/00/00\x07");
    // Unlike xterm, which answers with the terminator of the query, replies always end with ST.
    const struct {
        const char* query;
        const char* sevenBit;
        const char* eightBit;
    } cases[] = {
        { "\x1b]4;1;?\x07", "\x1b]4;1;rgb:ffff/0000/0000\x1b\\", "\x9d" "4;1;rgb:ffff/0000/0000\x9c" },
        { "\x1b]10;?\x1b\\", "\x1b]10;rgb:1212/3434/5656\x1b\\", "\x9d" "10;rgb:1212/3434/5656\x9c" },
        { "\x1b]11;?\x07", "\x1b]11;rgb:abab/cdcd/efef\x1b\\", "\x9d" "11;rgb:abab/cdcd/efef\x9c" },
        // No cursor colour: the foreground answers for it.
        { "\x1b]12;?\x07", "\x1b]12;rgb:1212/3434/5656\x1b\\", "\x9d" "12;rgb:1212/3434/5656\x9c" },
        // Two items: foreground under 10, then background under 11.
        { "\x1b]10;?;?\x07", "\x1b]10;rgb:1212/3434/5656\x1b\\\x1b]11;rgb:abab/cdcd/efef\x1b\\",
          "\x9d" "10;rgb:1212/3434/5656\x9c\x9d" "11;rgb:abab/cdcd/efef\x9c" },
        // Empty items are dropped before they are numbered.
        { "\x1b]10;;?\x07", "\x1b]10;rgb:1212/3434/5656\x1b\\", "\x9d" "10;rgb:1212/3434/5656\x9c" },
        { "\x1b]4;1;?;2;?\x07", "\x1b]4;1;rgb:ffff/0000/0000\x1b\\\x1b]4;2;rgb:0000/ffff/0000\x1b\\",
          "\x9d" "4;1;rgb:ffff/0000/0000\x9c\x9d" "4;2;rgb:0000/ffff/0000\x9c" },
    };
    terminal.feed("\x1b]4;2;rgb:00/ff/00\x07");
    for (const auto& each : cases) {
        SCOPED_TRACE(each.query + 2);
        terminal.feed("\x1b F");
        EXPECT_EQ(reply(each.query), each.sevenBit);
        terminal.feed("\x1b G");
        EXPECT_EQ(reply(each.query), each.eightBit);
    }
}

TEST_F(ColorCommandFixture, PaletteChangesStopAtABadIndex)
{
    const Color original1 = terminal.ansiColors[1];
    const Color original3 = terminal.ansiColors[3];
    terminal.feed("\x1b]4;300;rgb:ff/ff/ff\x07");
    EXPECT_EQ(terminal.ansiColors, terminal.defaultAnsiColors);
    delegate.events.clear();
    terminal.feed("\x1b]4;1;rgb:ff/00/00;x;rgb:00/00/ff\x07\x1b]4;3;bogus\x07");
    EXPECT_NE(terminal.ansiColors[1], original1);
    EXPECT_EQ(terminal.ansiColors[1].formatAsXcolor(), "rgb:ffff/0000/0000");
    EXPECT_EQ(terminal.ansiColors[3], original3) << "an invalid colour is skipped";
    EXPECT_EQ(delegate.events, std::vector<std::string> { "colorChanged:1" });
}

TEST_F(ColorCommandFixture, ResetRestoresEntries)
{
    terminal.feed("\x1b]4;0;#010101;1;#020202;2;#030303;255;#040404\x07");
    delegate.events.clear();
    terminal.feed("\x1b]104;-1;256;99999999999\x07");
    EXPECT_TRUE(delegate.events.empty()) << "numbers out of range are ignored";
    // Not a number resets entry 0, where xterm would ignore the item.
    terminal.feed("\x1b]104;abc;;255\x07");
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "colorChanged:0", "colorChanged:255" }));
    EXPECT_EQ(terminal.ansiColors[0], terminal.defaultAnsiColors[0]);
    EXPECT_NE(terminal.ansiColors[1], terminal.defaultAnsiColors[1]);
    delegate.events.clear();
    terminal.feed("\x1b]104\x07");
    EXPECT_EQ(terminal.ansiColors, terminal.defaultAnsiColors);
    EXPECT_EQ(delegate.events, std::vector<std::string> { "colorChanged:all" });
}

TEST_F(ColorCommandFixture, SettingDefaultColoursAndTheCursorColour)
{
    delegate.events.clear();
    terminal.feed("\x1b]10;rgb:11/22/33;#445566;rgb:77/88/99;rgb:00/00/00\x07");
    EXPECT_EQ(terminal.foregroundColor().formatAsXcolor(), "rgb:1111/2222/3333");
    EXPECT_EQ(terminal.backgroundColor().formatAsXcolor(), "rgb:4444/5555/6666");
    ASSERT_TRUE(terminal.cursorColor());
    EXPECT_EQ(terminal.cursorColor()->formatAsXcolor(), "rgb:7777/8888/9999");
    EXPECT_EQ(delegate.count("setForegroundColor"), 2);
    EXPECT_EQ(delegate.count("setBackgroundColor"), 2);
    terminal.feed("\x1b]11;nonsense\x07");
    EXPECT_EQ(terminal.backgroundColor().formatAsXcolor(), "rgb:4444/5555/6666");
    terminal.feed("\x1b]112\x07");
    EXPECT_FALSE(terminal.cursorColor());
    EXPECT_EQ(reply("\x1b]12;?\x07"), "\x1b]12;rgb:1111/2222/3333\x1b\\");
}

// The resets put back the colour the host had before the program changed it; each script ends in a
// query whose reply is compared, fed whole and split at every byte.
TEST(ColorCommandResets, EachResetPutsBackTheColourFromBeforeTheProgram)
{
    const std::string foreground = Color::defaultForeground.formatAsXcolor();
    const std::string background = Color::defaultBackground.formatAsXcolor();
    const std::vector<Color> palette = Terminal(nullptr).defaultAnsiColors;
    const struct {
        const char* name;
        std::string script;
        std::string reply;
    } cases[] = {
        { "110 resets the foreground", "\x1b]10;#aaaabbbbcccc\x07\x1b]110\x07\x1b]10;?\x07",
          "\x1b]10;" + foreground + "\x1b\\" },
        { "110 ended by ST", "\x1b]10;#aaaabbbbcccc\x1b\\\x1b]110\x1b\\\x1b]10;?\x1b\\",
          "\x1b]10;" + foreground + "\x1b\\" },
        { "110 leaves the background", "\x1b]11;#123456\x07\x1b]110\x07\x1b]11;?\x07",
          "\x1b]11;rgb:1212/3434/5656\x1b\\" },
        { "111 resets the background", "\x1b]11;#aaaabbbbcccc\x07\x1b]111\x07\x1b]11;?\x07",
          "\x1b]11;" + background + "\x1b\\" },
        { "two changes, one reset", "\x1b]10;#111\x07\x1b]10;#222\x07\x1b]110\x07\x1b]10;?\x07",
          "\x1b]10;" + foreground + "\x1b\\" },
        { "112 resets the cursor to the foreground", "\x1b]12;#aaaabbbbcccc\x07\x1b]112\x07\x1b]12;?\x07",
          "\x1b]12;" + foreground + "\x1b\\" },
        { "104 with several indexes",
          "\x1b]4;1;#111;2;#222;3;#333\x07\x1b]104;1;2\x07\x1b]4;1;?;2;?;3;?\x07",
          "\x1b]4;1;" + palette[1].formatAsXcolor() + "\x1b\\\x1b]4;2;" + palette[2].formatAsXcolor()
              + "\x1b\\\x1b]4;3;rgb:3030/3030/3030\x1b\\" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool split : { false, true }) {
            SCOPED_TRACE(split ? "split at every byte" : "whole");
            EXPECT_EQ(repliesTo(c.script, split), c.reply);
        }
    }
}

} // namespace
} // namespace zentrova
