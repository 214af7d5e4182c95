#include "ChildProcessSupport.h"
#include "TerminalViewTestSupport.h"

#include "Zentrova/Screen/BufferLine.h"
#include "ZentrovaView/LocalProcessTerminalView.h"
#include "ZentrovaView/LocalProcessTerminalViewDelegate.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

// What the host hears, one line per report; at a size change also the size the pseudo-terminal
// had at that moment.
class RecordingProcessHost : public LocalProcessTerminalViewDelegate {
public:
    void sizeChanged(LocalProcessTerminalView& source, int newCols, int newRows) override
    {
        winsize size = {};
        ioctl(source.process().childfd(), TIOCGWINSZ, &size);
        calls.push_back("size " + std::to_string(newCols) + "x" + std::to_string(newRows) + " pty " +
                        std::to_string(size.ws_col) + "x" + std::to_string(size.ws_row));
    }
    void setTerminalTitle(LocalProcessTerminalView&, const QString& title) override
    {
        calls.push_back("title " + title.toStdString());
    }
    void hostCurrentDirectoryUpdate(TerminalView&, const std::optional<QString>& directory) override
    {
        calls.push_back("directory " + directory.value_or("<none>").toStdString());
    }
    void processTerminated(TerminalView&, std::optional<int32_t> exitCode) override
    {
        calls.push_back("ended " + (exitCode ? std::to_string(*exitCode) : std::string("<none>")));
    }

    std::vector<std::string> calls;
};

void sendText(TerminalView& view, std::string_view text)
{
    view.send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

const std::vector<std::string> quietShellEnvironment { "PATH=/usr/bin:/bin", "PS1=$ ", "TERM=xterm-256color",
                                                        "LANG=C.UTF-8" };

class LocalProcessTerminalViewTest : public ::testing::Test {
protected:
    LocalProcessTerminalViewTest()
    {
        view.resize(640, 400);
        view.setProcessDelegate(&host);
        // Shown, so that a resize reaches the grid at once.
        view.show();
    }

    void TearDown() override { endChild(view); }

    void startShell(const std::string& script = {})
    {
        std::vector<std::string> args;
        if (!script.empty())
            args = { "-c", script };
        view.startProcess("/bin/sh", args, quietShellEnvironment);
        ASSERT_TRUE(view.running());
    }

    // An interactive shell that has shown its prompt, so what is typed next follows the prompt.
    void startPromptingShell()
    {
        startShell();
        ASSERT_TRUE(waitForScreen("$ ")) << screenText(view);
    }

    bool waitForScreen(const std::string& text)
    {
        return QTest::qWaitFor([&] { return screenText(view).find(text) != std::string::npos; }, 10000);
    }

    LocalProcessTerminalView view { nullptr, testFont() };
    RecordingProcessHost host;
};

TEST_F(LocalProcessTerminalViewTest, TypedCommandRunsInTheShellAndItsOutputIsShown)
{
    startPromptingShell();
    sendText(view, "echo hi\r");
    EXPECT_TRUE(waitForScreen("\nhi\n")) << screenText(view);
}

TEST_F(LocalProcessTerminalViewTest, NothingTouchesAPseudoTerminalBeforeTheStart)
{
    const int cols = view.terminal().cols;
    view.resize(500, 300);
    ASSERT_NE(view.terminal().cols, cols) << "the grid follows the view";
    sendText(view, "dropped\r");
    QTest::qWait(50);
    EXPECT_TRUE(host.calls.empty()) << host.calls.front();
    EXPECT_FALSE(view.running());
    EXPECT_EQ(view.process().childfd(), -1);
    EXPECT_EQ(view.process().shellPid(), 0);

    // The child starts with the grid the view had by then.
    const std::string expected =
        std::to_string(view.terminal().rows) + " " + std::to_string(view.terminal().cols);
    startShell("stty size; exec sleep 30");
    EXPECT_TRUE(waitForScreen(expected + "\n")) << screenText(view);
}

TEST_F(LocalProcessTerminalViewTest, AResizeReachesThePseudoTerminalBeforeTheHostHearsOfIt)
{
    startPromptingShell();
    view.resize(420, 260);
    const int cols = view.terminal().cols;
    const int rows = view.terminal().rows;
    const std::string size = std::to_string(cols) + "x" + std::to_string(rows);
    ASSERT_EQ(host.calls, (std::vector<std::string> { "size " + size + " pty " + size }));

    sendText(view, "stty size\r");
    EXPECT_TRUE(waitForScreen("\n" + std::to_string(rows) + " " + std::to_string(cols) + "\n")) << screenText(view);
}

// The view cannot widen its window to 132 (or narrow it to 80) columns: the grid stays what the view
// shows, and the program, asking at once, hears that size.
TEST_F(LocalProcessTerminalViewTest, ColumnModeKeepsTheGridThePaneShows)
{
    startPromptingShell();
    const int cols = view.terminal().cols;
    const int rows = view.terminal().rows;
    ASSERT_NE(cols, 132);
    ASSERT_NE(cols, 80);
    const std::string size = std::to_string(cols) + "x" + std::to_string(rows);
    for (const char* mode : { "h", "l" }) {
        SCOPED_TRACE(std::string("mode 3 ") + mode);
        host.calls.clear();
        sendText(view, std::string("printf '\\033[?40h\\033[?3") + mode + "'; stty size; echo end\"\"-" + mode + "\r");
        ASSERT_TRUE(waitForScreen("\nend-" + std::string(mode) + "\n")) << screenText(view);
        EXPECT_EQ(view.terminal().cols, cols);
        EXPECT_EQ(view.terminal().rows, rows);
        EXPECT_EQ(host.calls, (std::vector<std::string> { "size " + size + " pty " + size }));
        EXPECT_NE(screenText(view).find(std::to_string(rows) + " " + std::to_string(cols) + "\n"), std::string::npos)
            << screenText(view);
    }
}

TEST_F(LocalProcessTerminalViewTest, TheEndIsReportedOnceAndNeverAfterTerminate)
{
    struct Case {
        const char* name;
        std::string script;
        bool terminate;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases {
        { "exits by itself", "exit 3", false, { "ended 3" } },
        { "terminated", "exec sleep 30", true, {} },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        LocalProcessTerminalView subject(nullptr, testFont());
        RecordingProcessHost recorder;
        subject.setProcessDelegate(&recorder);
        subject.startProcess("/bin/sh", { "-c", test.script }, quietShellEnvironment);
        const pid_t pid = subject.process().shellPid();
        ASSERT_GT(pid, 0);
        // A second start while the child runs is ignored.
        subject.startProcess("/bin/sh", { "-c", "exit 9" }, quietShellEnvironment);
        EXPECT_EQ(subject.process().shellPid(), pid);
        if (test.terminate) {
            subject.terminate();
            EXPECT_FALSE(subject.running());
            EXPECT_EQ(waitpid(pid, nullptr, 0), pid);
        }
        if (!test.terminate) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.calls.empty(); }, 10000));
        }
        // Long enough for a second report, or a late one, to arrive.
        QTest::qWait(300);
        EXPECT_EQ(recorder.calls, test.calls);
        EXPECT_FALSE(subject.running());
    }
}

TEST_F(LocalProcessTerminalViewTest, AChildThatClosedItsTerminalStillCountsAsRunning)
{
    startShell("exec sleep 30 </dev/null >/dev/null 2>&1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.process().running(); }, 10000))
        << "the terminal's output should end once nothing holds its other side";
    QTest::qWait(50);
    EXPECT_TRUE(view.running()) << "the child still runs and must still be hung up";
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(LocalProcessTerminalViewTest, ClipboardWritesMustBeUtf8)
{
    struct Case {
        const char* name;
        std::string sequence;
        QString clipboard;
    };
    const std::vector<Case> cases {
        { "valid text", "\x1b]52;c;aGk=\x07", "hi" },
        { "invalid bytes", "\x1b]52;c;//4=\x07", "kept" },
        { "text beyond ASCII", "\x1b]52;c;w6k=\x07", "é" },
        { "a sequence cut short", "\x1b]52;c;ww==\x07", "kept" },
        { "a lone continuation byte", "\x1b]52;c;YYBi\x07", "kept" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        QGuiApplication::clipboard()->setText("kept");
        view.feed(test.sequence);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), test.clipboard);
    }
}

TEST_F(LocalProcessTerminalViewTest, TheChildReadsTheClipboardOnlyWhenAllowed)
{
    // The child reads whatever the terminal answers within half a second and shows it.
    const std::string script = "stty raw -echo min 0 time 5; printf '\\033]52;c;?\\007'; "
                               "reply=$(dd bs=200 count=1 2>/dev/null | tr -d '\\033\\007'); "
                               "printf '\\r\\nreply[%s]\\r\\n' \"$reply\"; exec sleep 30";
    struct Case {
        bool allowed;
        std::string shown;
    };
    for (const Case& test : { Case { false, "reply[]" }, Case { true, "reply[]52;c;c2VjcmV0\\]" } }) {
        SCOPED_TRACE(test.allowed);
        QGuiApplication::clipboard()->setText("secret");
        LocalProcessTerminalView subject(nullptr, testFont());
        subject.setAllowsClipboardRead(test.allowed);
        subject.startProcess("/bin/sh", { "-c", script }, quietShellEnvironment);
        const pid_t pid = subject.process().shellPid();
        EXPECT_TRUE(QTest::qWaitFor([&] { return screenText(subject).find("reply[") != std::string::npos; }, 10000));
        EXPECT_NE(screenText(subject).find(test.shown), std::string::npos) << screenText(subject);
        subject.terminate();
        waitpid(pid, nullptr, 0);
    }
}

TEST_F(LocalProcessTerminalViewTest, TheWindowSizeCountsDevicePixelsAndClampsAtSixteenBits)
{
    ASSERT_TRUE(view.cellDimension().has_value());
    const QSizeF cell = *view.cellDimension();
    const double scale = view.devicePixelRatioF();
    view.terminal().resize(100, 30);
    winsize size = view.getWindowSize();
    EXPECT_EQ(size.ws_col, 100);
    EXPECT_EQ(size.ws_row, 30);
    EXPECT_EQ(size.ws_xpixel, static_cast<unsigned short>(scale * cell.width() * 100));
    EXPECT_EQ(size.ws_ypixel, static_cast<unsigned short>(scale * cell.height() * 30));

    view.terminal().resize(20000, 2);
    size = view.getWindowSize();
    EXPECT_EQ(size.ws_col, 20000);
    EXPECT_EQ(size.ws_xpixel, 65535);
}

TEST_F(LocalProcessTerminalViewTest, WithoutAHostTheChildsReportsAreDropped)
{
    view.setProcessDelegate(nullptr);
    startShell("printf '\\033]2;title\\007'; exit 0");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.running(); }, 10000));
    EXPECT_TRUE(host.calls.empty());
}

} // namespace
} // namespace zentrova
