#include "TerminalReplyFixture.h"

#include <functional>

namespace zentrova {
namespace {

using StatusStringFixture = TerminalReplyFixture;

std::string request(const std::string& text)
{
    return "\x1BP$q" + text + "\x1B\\";
}

TEST_F(StatusStringFixture, RepliesIn7And8BitForm)
{
    struct Case {
        const char* name;
        std::function<void(Terminal&)> setup;
        std::string text;
        std::string body; // after the validity digit
    };
    const Case cases[] = {
        { "default attribute", nullptr, "m", "1$r0m" },
        { "scroll region of the whole screen", nullptr, "r", "1$r1;6r" },
        { "scroll region",
          [](Terminal& t) {
              t.buffer().setScrollTop(1);
              t.buffer().setScrollBottom(3);
          },
          "r", "1$r2;4r" },
        { "left and right margins", [](Terminal& t) { t.buffer().setMarginLeft(2); }, "s", "1$r3;20s" },
        { "protection attribute", nullptr, "\"q", "1$r\"q" },
        { "conformance level", nullptr, "\"p", "1$r65;1\"p" },
        { "cursor shape", nullptr, " q", "1$r1 q" },
        { "unknown request", nullptr, "x", "0$r" },
        { "empty request", nullptr, "", "0$r" },
        { "a served request with more after it", nullptr, "mm", "0$r" },
        { "non-ASCII request", nullptr, "\xC3\xA9", "0$r" },
        { "over-long request is not kept", nullptr, std::string(100, 'm'), "0$r" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        if (c.setup)
            c.setup(terminal);
        EXPECT_EQ(reply(request(c.text)), "\x1BP" + c.body + "\x1B\\");
        EXPECT_EQ(reply8bit(request(c.text)), "\x90" + c.body + "\x9C");
    }
}

TEST_F(StatusStringFixture, CursorShapeReplyReportsTheShapeInForce)
{
    const std::pair<CursorStyle, const char*> cases[] = {
        { CursorStyle::blinkBlock, "1" },     { CursorStyle::steadyBlock, "2" }, { CursorStyle::blinkUnderline, "3" },
        { CursorStyle::steadyUnderline, "4" }, { CursorStyle::blinkBar, "5" },    { CursorStyle::steadyBar, "6" },
    };
    for (const auto& [style, number] : cases) {
        SCOPED_TRACE(number);
        terminal.options.cursorStyle = style;
        EXPECT_EQ(reply(request(" q")), std::string("\x1BP1$r") + number + " q\x1B\\");
    }
    terminal.feed("\x1B[3 q");
    EXPECT_EQ(reply(request(" q")), "\x1BP1$r3 q\x1B\\") << "as set by the program";
}

TEST_F(StatusStringFixture, AttributeReplyReportsEveryAttributeHeld)
{
    Attribute attribute = CharData::Null.attribute();
    attribute.fg = Attribute::Color::ansi256(1);
    attribute.bg = Attribute::Color::trueColor(1, 2, 3);
    attribute.style = CharacterStyle::bold | CharacterStyle::dim | CharacterStyle::italic | CharacterStyle::underline
        | CharacterStyle::crossedOut;
    attribute.underlineStyle = UnderlineStyle::curly;
    attribute.underlineColor = Attribute::Color::ansi256(200);
    terminal.curAttr = attribute;
    EXPECT_EQ(reply(request("m")), "\x1BP1$r0;1;2;3;4:3;9;31;48;2;1;2;3;58;5;200m\x1B\\");
}

TEST_F(StatusStringFixture, RequestSplitAcrossFeedsIsAnsweredOnce)
{
    delegate.sent.clear();
    terminal.feed("\x1BP$");
    terminal.feed("q");
    terminal.feed(" ");
    terminal.feed("q");
    EXPECT_EQ(delegate.sent, "");
    terminal.feed("\x1B\\");
    EXPECT_EQ(delegate.sent, "\x1BP1$r1 q\x1B\\");
}

TEST_F(StatusStringFixture, KeyboardFlagsPushPopSetAndQuery)
{
    EXPECT_EQ(reply("\x1B[>1u\x1B[>3u\x1B[?u"), "\x1B[?3u");
    EXPECT_EQ(reply8bit("\x1B[?u"), "\x9B?3u");
    terminal.feed("\x1B[<u");
    EXPECT_EQ(terminal.keyboardEnhancementFlags(), KittyKeyboardFlags::disambiguate);
    terminal.feed("\x1B[<u");
    EXPECT_TRUE(terminal.keyboardEnhancementFlags().isEmpty());

    terminal.feed("\x1B[>1u\x1B[>2u\x1B[>4u\x1B[<5u");
    EXPECT_TRUE(terminal.keyboardEnhancementFlags().isEmpty()) << "popping more than held empties the stack";
    EXPECT_TRUE(terminal.keyboardModeNormal.stack.empty());

    struct Case {
        const char* bytes;
        int flags;
    };
    const Case sets[] = {
        { "\x1B[=8u", 8 },    { "\x1B[=5;2u", 13 }, { "\x1B[=4;3u", 9 }, { "\x1B[=1;7u", 9 },
        { "\x1B[=63u", 31 },  { "\x1B[=u", 0 },     { "\x1B[>40u", 8 },  { "\x1B[=2;1u", 2 },
    };
    for (const auto& c : sets) {
        SCOPED_TRACE(c.bytes + 1);
        terminal.feed(c.bytes);
        EXPECT_EQ(terminal.keyboardEnhancementFlags().rawValue, c.flags);
    }
}

TEST_F(StatusStringFixture, KeyboardStackKeepsTheSixteenNewestValues)
{
    for (int flags = 1; flags <= 17; flags++)
        terminal.feed("\x1B[>" + std::to_string(flags) + "u");
    ASSERT_EQ(terminal.keyboardModeNormal.stack.size(), 16u);
    EXPECT_EQ(terminal.keyboardModeNormal.stack.front().rawValue, 1) << "the first pushed value (0) is forgotten";
    EXPECT_EQ(terminal.keyboardModeNormal.stack.back().rawValue, 16);
    terminal.feed("\x1B[<16u");
    EXPECT_EQ(terminal.keyboardEnhancementFlags().rawValue, 1);
    EXPECT_TRUE(terminal.keyboardModeNormal.stack.empty());
}

TEST_F(StatusStringFixture, EachScreenKeepsItsOwnKeyboardFlags)
{
    terminal.feed("\x1B[>1u\x1B[?1049h");
    EXPECT_TRUE(terminal.keyboardEnhancementFlags().isEmpty());
    terminal.feed("\x1B[>5u\x1B[>7u");
    EXPECT_EQ(terminal.keyboardEnhancementFlags().rawValue, 7);
    terminal.feed("\x1B[?1049l");
    EXPECT_EQ(terminal.keyboardEnhancementFlags().rawValue, 1);
    EXPECT_EQ(terminal.keyboardModeNormal.stack.size(), 1u);
    terminal.feed("\x1B[?1049h");
    EXPECT_EQ(terminal.keyboardEnhancementFlags().rawValue, 7);
    terminal.feed("\x1B" "c");
    EXPECT_EQ(terminal.keyboardModeAlt, KeyboardModeState {}) << "a full reset clears both";
    EXPECT_EQ(terminal.keyboardModeNormal, KeyboardModeState {});
}

TEST_F(StatusStringFixture, SequencesTheKeyboardHandlerDeclinesAreLeftAlone)
{
    terminal.feed("ab\x1B[s\x1B[1;1H");
    EXPECT_EQ(reply("\x1B[==u\x1B[>=u"), "");
    EXPECT_EQ(terminal.buffer().x(), 0) << "declined sequences with intermediates do not restore the cursor";
    terminal.feed("\x1B[u");
    EXPECT_EQ(terminal.buffer().x(), 2) << "a bare CSI u restores it";
}

} // namespace
} // namespace zentrova
