#include "ScreenText.h"
#include "TerminalReplyFixture.h"

#include <functional>

namespace zentrova {
namespace {

using namespace std::chrono_literals;
using ModeFixture = TerminalReplyFixture;

TEST_F(ModeFixture, ModeReportsIn7And8BitForm)
{
    struct Case {
        const char* setup;
        const char* request;
        const char* state; // the reply between the mode number's ";" and "$y"
    };
    const Case cases[] = {
        { "", "?1", "2" },
        { "\x1B[?1h", "?1", "1" },
        { "", "?7", "1" },
        { "\x1B[?7l", "?7", "2" },
        { "", "?25", "1" },
        { "\x1B[?25l", "?25", "2" },
        { "\x1B[?2004h", "?2004", "1" },
        { "\x1B[?2026h", "?2026", "1" },
        { "\x1B[?1049h", "?1049", "0" },
        { "\x1B[?1049h", "?47", "1" },
        { "", "?47", "2" },
        { "\x1B[?1002h", "?1002", "1" },
        { "\x1B[?1002h", "?1000", "2" },
        { "\x1B[?9h", "?9", "1" },
        { "\x1B[?1006h", "?1006", "1" },
        { "\x1B[?1006h", "?1005", "2" },
        { "\x1B[?1016h", "?1016", "1" },
        { "\x1B[?2500h", "?2500", "1" },
        { "", "?2501", "1" },
        { "", "?3", "2" },
        { "", "?2", "1" },
        { "", "?13", "2" },
        { "", "?10", "4" },
        { "", "?1034", "4" },
        { "", "?9999", "0" },
        { "", "4", "2" },
        { "\x1B[4h", "4", "1" },
        { "\x1B[20h", "20", "1" },
        { "", "12", "1" },
        { "", "8", "1" },
        { "\x1B[8l", "8", "2" },
        { "", "2", "2" },
        { "", "6", "0" },
        { "", "5", "4" },
        { "", "21", "0" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.setup) + " -> " + c.request);
        terminal.resetToInitialState();
        terminal.feed(c.setup);
        const std::string expected = std::string(c.request) + ";" + c.state + "$y";
        EXPECT_EQ(reply("\x1B[" + std::string(c.request) + "$p"), "\x1B[" + expected);
        EXPECT_EQ(reply8bit("\x1B[" + std::string(c.request) + "$p"), "\x9B" + expected);
    }
}

TEST_F(ModeFixture, SetAndResetChangeTheirFlags)
{
    struct Case {
        const char* name;
        const char* bytes;
        std::function<bool(Terminal&)> holds;
    };
    const Case cases[] = {
        { "application cursor", "\x1B[?1h", [](Terminal& t) { return t.applicationCursor; } },
        { "smooth scroll", "\x1B[?4h", [](Terminal& t) { return t.smoothScroll; } },
        { "origin mode homes the cursor to the region", "\x1B[2;5r\x1B[3;3H\x1B[?6h",
          [](Terminal& t) { return t.originMode && t.buffer().x() == 0 && t.buffer().y() == 1; } },
        { "autowrap off on the terminal and both screens", "\x1B[?7l",
          [](Terminal& t) { return !t.wraparound && !t.normalBuffer().wraparound && !t.altBuffer().wraparound; } },
        { "cursor blink", "\x1B[?12h", [](Terminal& t) { return t.cursorBlink; } },
        { "reverse wraparound needs autowrap", "\x1B[?7l\x1B[?45h", [](Terminal& t) { return !t.reverseWraparound; } },
        { "reverse wraparound", "\x1B[?45h", [](Terminal& t) { return t.reverseWraparound; } },
        { "application keypad", "\x1B[?66h", [](Terminal& t) { return t.applicationKeypad; } },
        { "margin mode on the terminal and both screens", "\x1B[?69h",
          [](Terminal& t) { return t.marginMode && t.normalBuffer().marginMode && t.altBuffer().marginMode; } },
        { "alternate scroll off", "\x1B[?1007l", [](Terminal& t) { return !t.alternateScrollMode; } },
        { "arrow key swap", "\x1B[?1243h", [](Terminal& t) { return t.bidiArrowKeySwap; } },
        { "bracketed paste", "\x1B[?2004h", [](Terminal& t) { return t.bracketedPasteMode; } },
        { "box mirroring reaches both screens", "\x1B[?2500h",
          [](Terminal& t) {
              return t.currentBidiState.boxMirroring && t.normalBuffer().defaultBidiState.boxMirroring
                  && t.altBuffer().defaultBidiState.boxMirroring;
          } },
        { "direction autodetection off", "\x1B[?2501l", [](Terminal& t) { return !t.currentBidiState.autodetectDirection; } },
        { "insert mode on the terminal and both screens", "\x1B[4h",
          [](Terminal& t) { return t.insertMode && t.normalBuffer().insertMode && t.altBuffer().insertMode; } },
        { "explicit bidi", "\x1B[8l",
          [](Terminal& t) { return t.currentBidiState.supportMode == BidiSupportMode::explicit_; } },
        { "line feed mode", "\x1B[20h", [](Terminal& t) { return t.lineFeedMode; } },
        { "any-event tracking", "\x1B[?1003h", [](Terminal& t) { return t.mouseMode() == MouseMode::anyEvent; } },
        { "tracking off", "\x1B[?1003h\x1B[?1003l", [](Terminal& t) { return t.mouseMode() == MouseMode::off; } },
        { "encoding back to x10 on reset of another one", "\x1B[?1015h\x1B[?1006l",
          [](Terminal& t) { return t.mouseProtocol == MouseProtocolEncoding::x10; } },
        { "several modes in order", "\x1B[?25;1049l\x1B[?25;1049h",
          [](Terminal& t) { return !t.cursorHidden && t.isCurrentBufferAlternate(); } },
        { "other private markers change nothing", "\x1B[>4h\x1B[=1h",
          [](Terminal& t) { return !t.insertMode && !t.applicationCursor; } },
        { "132 columns need mode 40", "\x1B[?3h", [](Terminal& t) { return t.cols == 20; } },
        { "132 columns with mode 40 reset the terminal", "\x1B[?40h\x1B[4h\x1B[?3h",
          [](Terminal& t) { return t.cols == 132 && !t.insertMode && !t.allow80To132; } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Terminal terminal(&delegate, smallOptions(), &queue);
        terminal.feed(c.bytes);
        EXPECT_TRUE(c.holds(terminal));
    }
}

TEST_F(ModeFixture, ModeChangesTellTheHost)
{
    delegate.events.clear();
    terminal.feed("\x1B[?1000h\x1B[?1000l\x1B[?5h\x1B[?5h\x1B[?5l\x1B[?25l\x1B[?25l\x1B[?25h");
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "mouseModeChanged", "mouseModeChanged", "colorChanged:all",
                                                           "colorChanged:all", "hideCursor", "showCursor" }));
}

TEST_F(ModeFixture, SynchronizedOutputStartsOnceAndRestartsItsTimeOut)
{
    delegate.events.clear();
    terminal.feed("\x1B[?2026h");
    queue.advance(600ms);
    terminal.feed("\x1B[?2026h");
    queue.advance(999ms);
    EXPECT_TRUE(terminal.synchronizedOutputActive);
    queue.advance(1ms);
    EXPECT_FALSE(terminal.synchronizedOutputActive);
    terminal.feed("\x1B[?2026h\x1B[?2026l");
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "synchronizedOutput:on", "synchronizedOutput:off",
                                                           "synchronizedOutput:on", "synchronizedOutput:off" }));
    EXPECT_EQ(queue.pending(), 0u);
}

TEST_F(ModeFixture, AlternateScreenModes)
{
    struct Case {
        const char* name;
        int mode;
        bool restoresCursor;
        bool clearsOnLeave;
    };
    const Case cases[] = {
        { "47", 47, false, false },
        { "1047", 1047, false, true },
        { "1049", 1049, true, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Terminal terminal(&delegate, smallOptions(), &queue);
        const std::string set = "\x1B[?" + std::to_string(c.mode) + "h";
        const std::string reset = "\x1B[?" + std::to_string(c.mode) + "l";
        terminal.feed("main\x1B[?25l");
        delegate.events.clear();
        terminal.feed(set);
        EXPECT_TRUE(terminal.isCurrentBufferAlternate());
        EXPECT_EQ(screenText(terminal), "");
        EXPECT_EQ(delegate.events, (std::vector<std::string> { "showCursor", "bufferActivated" }))
            << "the switch shows a hidden cursor";
        terminal.feed("\ralt\r\n\n");
        terminal.clearUpdateRange();
        terminal.feed(reset);
        EXPECT_FALSE(terminal.isCurrentBufferAlternate());
        EXPECT_EQ(screenText(terminal), "main");
        EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, 5));
        EXPECT_EQ(cursorText(terminal), c.restoresCursor ? "4,0" : "0,2");
        terminal.feed(set);
        EXPECT_EQ(screenText(terminal), c.clearsOnLeave ? "" : "alt");
    }
}

TEST_F(ModeFixture, CursorSaveModeAndPrivateModeSaveRestore)
{
    terminal.feed("\x1B[2;4H\x1B[?1048h\x1B[5;9H\x1B[?1048l");
    EXPECT_EQ(cursorText(terminal), "3,1");

    terminal.feed("\x1B[?1243h\x1B[?2500h\x1B[?2501l\x1B[?1243;2500;2501;25s");
    EXPECT_EQ(terminal.savedBidiPrivateModes,
              (std::unordered_map<int, bool> { { 1243, true }, { 2500, true }, { 2501, false } }))
        << "only the bidi modes are saved";
    terminal.feed("\x1B[?1243l\x1B[?2500l\x1B[?2501h\x1B[?1243;2501r");
    EXPECT_TRUE(terminal.bidiArrowKeySwap);
    EXPECT_FALSE(terminal.currentBidiState.autodetectDirection);
    EXPECT_FALSE(terminal.altBuffer().defaultBidiState.autodetectDirection);
    EXPECT_FALSE(terminal.currentBidiState.boxMirroring) << "2500 was not asked for";
}

TEST_F(ModeFixture, SoftResetKeepsTheScreenButResetsModes)
{
    terminal.feed("text\x1B[?1049h\rkept\x1B[?6h\x1B[4h\x1B[?7l\x1B[?1h\x1B[?66h\x1B[?25l\x1B[?69h\x1B[2;4r\x1B[1;31m"
                  "\x1B[?1243h\x1B[?1243s\x1B[20h");
    delegate.events.clear();
    terminal.feed("\x1B[!p");
    EXPECT_TRUE(terminal.isCurrentBufferAlternate());
    EXPECT_EQ(screenText(terminal), "kept");
    EXPECT_FALSE(terminal.originMode);
    EXPECT_FALSE(terminal.insertMode);
    EXPECT_FALSE(terminal.buffer().insertMode) << "the printer reads the screen's own flag";
    EXPECT_TRUE(terminal.wraparound);
    EXPECT_TRUE(terminal.normalBuffer().wraparound && terminal.altBuffer().wraparound);
    EXPECT_FALSE(terminal.applicationCursor);
    EXPECT_FALSE(terminal.applicationKeypad);
    EXPECT_FALSE(terminal.cursorHidden);
    EXPECT_TRUE(terminal.marginMode) << "margin mode is left alone";
    EXPECT_EQ(terminal.buffer().scrollTop(), 0);
    EXPECT_EQ(terminal.buffer().scrollBottom(), 5);
    EXPECT_EQ(terminal.curAttr, CharData::Null.attribute());
    EXPECT_FALSE(terminal.bidiArrowKeySwap);
    EXPECT_TRUE(terminal.savedBidiPrivateModes.empty());
    EXPECT_FALSE(terminal.lineFeedMode);
    EXPECT_EQ(delegate.events.back(), "showCursor");

    terminal.feed("\x1B[H\x1B[4hab\r\x1B[!pX");
    EXPECT_EQ(screenText(terminal), "Xbkept") << "after the reset the printer replaces again";
}

} // namespace
} // namespace zentrova
