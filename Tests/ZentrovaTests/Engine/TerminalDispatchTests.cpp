#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"
#include "TerminalLog.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

struct DispatchFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate };
};

// Sequences nothing serves yet are logged with the fixed texts, and only while silentLog is off.
TEST_F(DispatchFixture, FallbacksLogUnservedSequences)
{
    struct Case {
        const char* bytes;
        const char* log;
    } const cases[] = {
        { "\x1b[?1;2W", "Info: Zentrova: Unknown CSI Code (collect=[63] code=W pars=[1, 2])\n" },
        { "\x1b[=5t", "Info: Unhandled csiT [61]\n" },
        { "\x1b,0", "Info: Zentrova: Unknown ESC Code: ESC + 0 txt=[44]\n" },
        { "\x1b(X", "Info: Zentrova: Unknown ESC Code: ESC + X txt=[40]\n" },
        { "\x1b]99;x\x07", "Info: Zentrova: Unknown OSC code: 99\n" },
        { "\x1b_Xabc\x1b\\", "Info: Zentrova: Unknown APC code: X\n" },
        { "\x1b[=k", "" },
        { "\x1b[>2s", "" },
    };
    TerminalLog log(terminal);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes + 1);
        EXPECT_EQ(log.of(c.bytes), c.log);
    }

    terminal.silentLog = true;
    EXPECT_EQ(log.of("\x1b[?1;2W\x1b,0\x1b]99;x\x07"), "");
}

// The engine lives inside other programs: its diagnostics must never land in the host's standard
// output, and silentLog silences every one of them, the always-written ones included.
TEST_F(DispatchFixture, DiagnosticsGoToStandardErrorOrTheSinkNeverToStandardOutput)
{
    const std::string bytes = "\x1b[6m\x1b['z\x1b[?1;2W";
    const std::string lines = "Unknown SGR attribute: 6 [6]\nTODO: Enable Locator Reporting (DECELR)\n"
                              "Info: Zentrova: Unknown CSI Code (collect=[63] code=W pars=[1, 2])\n";
    struct Case {
        const char* name;
        bool silent;
        const char* stderrText;
    } const cases[] = {
        { "logging on, no sink", false, lines.c_str() },
        { "silent", true, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.silentLog = c.silent;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        terminal.feed(bytes);
        std::fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.stderrText);
    }

    TerminalLog log(terminal);
    testing::internal::CaptureStderr();
    EXPECT_EQ(log.of(bytes), lines) << "a sink the host sets takes every line";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DispatchFixture, ShiftEscapeAndTitleModes)
{
    terminal.feed("\x1b[>1s");
    EXPECT_TRUE(terminal.mouseShiftCapture);
    terminal.feed("\x1b[>2s");
    EXPECT_TRUE(terminal.mouseShiftCapture) << "other values change nothing";
    terminal.feed("\x1b[>s");
    EXPECT_FALSE(terminal.mouseShiftCapture);

    terminal.feed("\x1b[>0;2t");
    EXPECT_TRUE(terminal.xtermTitleSetHex);
    EXPECT_TRUE(terminal.xtermTitleSetUtf);
    EXPECT_FALSE(terminal.xtermTitleQueryHex);
    terminal.feed("\x1b[>1;3t\x1b[>0;2T");
    EXPECT_FALSE(terminal.xtermTitleSetHex);
    EXPECT_FALSE(terminal.xtermTitleSetUtf);
    EXPECT_TRUE(terminal.xtermTitleQueryHex);
    EXPECT_TRUE(terminal.xtermTitleQueryUtf);
}

TEST_F(DispatchFixture, TitlesReachTheDelegate)
{
    delegate.events.clear();
    terminal.feed("\x1b]0;both\x07\x1b]1;icon\x1b\\\x1b]2;window\x07\x1b]2;bad\xff\x07");
    EXPECT_EQ(delegate.events,
              (std::vector<std::string> { "title:both", "iconTitle:icon", "title:window", "title:" }));
    EXPECT_EQ(terminal.terminalTitle, "");
    EXPECT_EQ(terminal.iconTitle, "icon");
}

TEST_F(DispatchFixture, RegisteredOscHandlerComesFirst)
{
    std::string received;
    terminal.parser().oscHandlers[2] = [&](std::span<const uint8_t> data) { received.assign(data.begin(), data.end()); };
    terminal.feed("\x1b]2;mine\x07");
    EXPECT_EQ(received, "mine");
    EXPECT_EQ(delegate.count("title:"), 0);
}

TEST_F(DispatchFixture, ModesSetByEscapeSequences)
{
    terminal.feed("\x1b G");
    EXPECT_TRUE(terminal.cc.send8bit);
    terminal.feed("\x1b F");
    EXPECT_FALSE(terminal.cc.send8bit);
    terminal.feed("\x1b=");
    EXPECT_TRUE(terminal.applicationKeypad);
    terminal.feed("\x1b>");
    EXPECT_FALSE(terminal.applicationKeypad);
}

TEST_F(DispatchFixture, CharacterSetDesignationAndInvocation)
{
    terminal.feed("\x1b*0");
    EXPECT_NE(terminal.gCharsets[2], nullptr);
    EXPECT_EQ(terminal.charset, nullptr) << "G2 is designated but not invoked";
    terminal.feed("\x1bn");
    EXPECT_EQ(terminal.charset, terminal.gCharsets[2]);
    terminal.feed("\x1b%G");
    EXPECT_EQ(terminal.gLevel, 0);
    EXPECT_EQ(terminal.charset, nullptr);
    terminal.feed("\x1b(A#");
    EXPECT_EQ(screenText(terminal), "£") << "the United Kingdom set";
}

TEST_F(DispatchFixture, BellAndTabStopsFromControlBytes)
{
    terminal.feed("\x07");
    EXPECT_EQ(delegate.count("bell"), 1);
    // HTS as a C1 byte only counts while a sequence is being parsed.
    terminal.feed("abc\x1b[\x88\r\t");
    EXPECT_EQ(cursorText(terminal), "3,0");
}

TEST(TerminalDispatch, WithoutADelegateNothingIsReported)
{
    Terminal terminal(nullptr);
    terminal.feed("\x07\x1b]2;title\x07text\r\n");
    EXPECT_EQ(terminal.terminalTitle, "title");
    EXPECT_EQ(screenText(terminal), "text");
}

} // namespace
} // namespace zentrova
