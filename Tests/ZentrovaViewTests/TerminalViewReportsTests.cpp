// What the view answers and shows for a program's reports: window and pixel-size reports, progress
// reports on the bar along the top edge, and blinking text.

#include "TerminalViewTestSupport.h"

#include "Support/ManualMainQueue.h"
#include "ZentrovaView/TerminalProgressBarView.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

struct ReportsFixture {
    ManualMainQueue queue;
    RecordingViewHost host;
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };

    ReportsFixture()
    {
        view.setDisplayQueue(queue);
        view.setTerminalDelegate(&host);
    }
    ~ReportsFixture() { view.setTerminalDelegate(nullptr); }

    std::string reply(std::string_view request)
    {
        host.sent.clear();
        view.feed(request);
        return host.sent;
    }
    void report(ProgressReportState state, std::optional<uint8_t> progress = std::nullopt)
    {
        view.progressReport(view.terminal(), { state, progress });
    }
    TerminalProgressBarView& bar() { return *view.progressBarView(); }
};

TEST(TerminalViewReports, PixelSizeReportsFollowTheCellSizeInDevicePixels)
{
    ReportsFixture f;
    f.view.terminal().resize(80, 24);
    const QSizeF cell = *f.view.cellDimension();
    const double scale = f.view.devicePixelRatioF();
    const std::string textArea = "4;" + std::to_string(std::lround(cell.height() * scale * 24)) + ";"
        + std::to_string(std::lround(cell.width() * scale * 80)) + "t";
    const std::string cellSize = "6;" + std::to_string(int(cell.height() * scale)) + ";"
        + std::to_string(int(cell.width() * scale)) + "t";

    EXPECT_EQ(f.reply("\x1b[14t"), "\x1b[" + textArea);
    EXPECT_EQ(f.reply("\x1b[16t"), "\x1b[" + cellSize);
    // The terminal's own answer for the reports the view leaves to it.
    EXPECT_EQ(f.reply("\x1b[18t"), "\x1b[8;24;80t");
    EXPECT_TRUE(f.reply("\x1b[15t").starts_with("\x1b[5;"));

    f.view.feed("\x1b G"); // 8-bit controls in replies
    EXPECT_EQ(f.reply("\x1b[14t"), "\x9b" + textArea);
    EXPECT_EQ(f.reply("\x1b[16t"), "\x9b" + cellSize);
}

TEST(TerminalViewReports, WindowCommandsChangeNothingAndAreNotAnswered)
{
    ReportsFixture f;
    const QSize size = f.view.size();
    std::string log;
    f.view.terminal().silentLog = false;
    f.view.terminal().setLogSink([&](std::string_view line) { log += std::string(line) + "\n"; });
    testing::internal::CaptureStdout();
    EXPECT_EQ(f.reply("\x1b[4;300;640t"), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "standard output belongs to the program";
    EXPECT_EQ(log, "Info: Request to resize to 640x300\n");
    for (const char* command : { "\x1b[2t", "\x1b[3;10;20t", "\x1b[8;30;100t", "\x1b[9;1t", "\x1b[10;1t", "\x1b[5t" })
        EXPECT_EQ(f.reply(command), "") << command + 1;
    EXPECT_EQ(f.view.size(), size);
}

// A title is whatever the program, or a file it printed, set: its report would type that text into
// the shell. The view answers the title reports only when its host allows them.
TEST(TerminalViewReports, TitleReportsAreAnsweredOnlyWhenTheHostAllowsThem)
{
    ReportsFixture f;
    f.view.terminal().resize(80, 24);
    f.view.feed("\x1b]1;icon\x07\x1b]2;rm -rf ~\x07");
    EXPECT_FALSE(f.view.allowTitleReports());
    EXPECT_EQ(f.reply("\x1b[20t\x1b[21t"), "");
    EXPECT_EQ(f.reply("\x1b[18t"), "\x1b[8;24;80t") << "every other report is still answered";

    f.view.setAllowTitleReports(true);
    EXPECT_EQ(f.reply("\x1b[20t\x1b[21t"), "\x1b]Licon\x1b\\\x1b]lrm -rf ~\x1b\\");
}

TEST(TerminalViewReports, ProgressReportsRememberTheLastValue)
{
    using State = ProgressReportState;
    struct Step {
        State state;
        std::optional<uint8_t> progress;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        State shownState;
        std::optional<uint8_t> shownProgress;
        std::optional<uint8_t> lastValue;
    } cases[] = {
        { "set without a value is an empty bar", { { State::set, std::nullopt } }, State::set, 0, 0 },
        { "error without a value keeps the last", { { State::set, 40 }, { State::error, std::nullopt } }, State::error, 40, 40 },
        { "error without any value slides", { { State::error, std::nullopt } }, State::error, std::nullopt, std::nullopt },
        { "error with a value stores it", { { State::set, 40 }, { State::error, 70 } }, State::error, 70, 70 },
        { "pause without any value is full", { { State::pause, std::nullopt } }, State::pause, 100, 100 },
        { "indeterminate keeps the value for a pause",
          { { State::set, 30 }, { State::indeterminate, std::nullopt }, { State::pause, std::nullopt } }, State::pause, 30, 30 },
        { "indeterminate shows no value", { { State::set, 30 }, { State::indeterminate, std::nullopt } }, State::indeterminate,
          std::nullopt, 30 },
        { "remove forgets", { { State::set, 30 }, { State::remove, std::nullopt } }, State::remove, std::nullopt, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReportsFixture f;
        f.view.show();
        for (const auto& step : c.steps)
            f.report(step.state, step.progress);
        EXPECT_EQ(f.bar().state(), c.shownState);
        EXPECT_EQ(f.bar().progress(), c.shownProgress);
        EXPECT_EQ(f.view.lastProgressValue(), c.lastValue);
        EXPECT_EQ(f.bar().isVisible(), c.shownState != State::remove);
        EXPECT_EQ(f.bar().indeterminateAnimationRunning(), c.shownState != State::remove && !c.shownProgress);
    }
}

TEST(TerminalViewReports, ProgressBarClearsFifteenSecondsAfterTheLastReport)
{
    ReportsFixture f;
    f.view.show();
    f.report(ProgressReportState::set, 50);
    f.queue.advance(14s);
    f.report(ProgressReportState::set, 60);
    f.queue.advance(14s);
    EXPECT_TRUE(f.bar().isVisible()) << "every report restarts the 15 seconds";
    f.queue.advance(1s);
    EXPECT_FALSE(f.bar().isVisible());
    EXPECT_EQ(f.view.lastProgressValue(), std::nullopt);
    EXPECT_EQ(f.queue.pending(), 0u) << "a hidden bar runs no frames and no timer";
}

TEST(TerminalViewReports, ProgressBarLiesAlongTheTopEdgeAndGrowsToItsValue)
{
    ReportsFixture f;
    f.view.show();
    EXPECT_EQ(f.bar().geometry(), QRect(0, 0, f.view.width(), TerminalView::progressBarHeight));
    f.view.resize(300, 200);
    EXPECT_EQ(f.bar().geometry(), QRect(0, 0, 300, TerminalView::progressBarHeight));

    f.report(ProgressReportState::set, 50);
    EXPECT_DOUBLE_EQ(f.bar().barRect().width(), 0) << "the bar grows from where it stood";
    f.queue.advance(100ms);
    EXPECT_GT(f.bar().barRect().width(), 0);
    EXPECT_LT(f.bar().barRect().width(), 150);
    f.queue.advance(100ms);
    EXPECT_DOUBLE_EQ(f.bar().barRect().width(), 150);

    f.report(ProgressReportState::error, 100);
    f.queue.advance(300ms);
    const QImage image = f.view.grab().toImage();
    const double ratio = image.devicePixelRatio();
    EXPECT_EQ(image.pixelColor(int(10 * ratio), 0), TerminalProgressBarView::errorColor);
    EXPECT_NE(image.pixelColor(int(10 * ratio), int(4 * ratio)), TerminalProgressBarView::errorColor)
        << "two pixels high";

    // A bar too narrow for a moving segment does not animate.
    f.view.resize(0, 200);
    f.report(ProgressReportState::indeterminate);
    EXPECT_FALSE(f.bar().indeterminateAnimationRunning());
}

TEST(TerminalViewReports, ProgressReportsFromAnotherThreadArriveOnTheViewsThread)
{
    ReportsFixture f;
    f.view.show();
    std::thread([&] { f.report(ProgressReportState::set, 20); }).join();
    EXPECT_EQ(f.bar().state(), ProgressReportState::remove) << "not before the view's thread runs it";
    QCoreApplication::processEvents();
    EXPECT_EQ(f.bar().progress(), 20);
}

// A reduce-motion preference the test sets.
struct TestMotionPreference : MotionPreference {
    bool reduceMotion() const override { return reduce; }
    bool reduce = false;
};

struct BlinkFixture : ReportsFixture {
    TestMotionPreference motion;

    BlinkFixture()
    {
        view.setMotionPreference(motion);
        view.show();
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    }
    ~BlinkFixture() { Q_EMIT qGuiApp->applicationStateChanged(QGuiApplication::applicationState()); }

    // Runs the view's redraw as a paced frame would.
    void redraw() { view.updateDisplay(); }
};

TEST(TerminalViewReports, BlinkTimerRunsOnlyForVisibleBlinkingText)
{
    BlinkFixture f;
    f.view.feed("plain text\r\n");
    f.redraw();
    EXPECT_FALSE(f.view.textBlinkTimerRunning()) << "no blinking cells";

    f.view.feed("\x1b[5mblink\x1b[25m\r\nmore\r\n");
    f.redraw();
    EXPECT_EQ(f.view.visibleBlinkRows(), std::vector<int> { 1 });
    EXPECT_TRUE(f.view.textBlinkTimerRunning());

    // A tick hides the text and marks only the blinking rows for redrawing.
    f.view.terminal().clearUpdateRange();
    f.queue.advance(TerminalView::textBlinkPeriod);
    EXPECT_FALSE(f.view.textBlinkVisible());
    EXPECT_EQ(f.view.terminal().getUpdateRange(), (std::pair { 1, 1 }));
    f.queue.advance(TerminalView::textBlinkPeriod);
    EXPECT_TRUE(f.view.textBlinkVisible());

    // Scrolled out of view: the next redraw stops the timer.
    f.view.feed(std::string(size_t(f.view.terminal().rows) + 1, '\n'));
    f.redraw();
    EXPECT_TRUE(f.view.visibleBlinkRows().empty());
    EXPECT_FALSE(f.view.textBlinkTimerRunning());
}

TEST(TerminalViewReports, BlinkingTextIsShownAtOnceWhenBlinkingMustStop)
{
    const struct {
        const char* name;
        std::function<void(BlinkFixture&)> stop;
    } cases[] = {
        { "application deactivated", [](BlinkFixture&) { Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive); } },
        { "motion reduced", [](BlinkFixture& f) {
             f.motion.reduce = true;
             f.redraw();
         } },
        { "view hidden", [](BlinkFixture& f) { f.view.hide(); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BlinkFixture f;
        f.view.feed("\x1b[5mblink");
        f.redraw();
        f.queue.advance(TerminalView::textBlinkPeriod);
        ASSERT_FALSE(f.view.textBlinkVisible());
        c.stop(f);
        EXPECT_TRUE(f.view.textBlinkVisible());
        EXPECT_FALSE(f.view.textBlinkTimerRunning());
        f.queue.advance(10 * TerminalView::textBlinkPeriod);
        EXPECT_TRUE(f.view.textBlinkVisible());
    }
}

TEST(TerminalViewReports, NoTimerOutlivesTheView)
{
    ManualMainQueue queue;
    {
        TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };
        view.setDisplayQueue(queue);
        view.show();
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        view.feed("\x1b[5mblink");
        view.updateDisplay();
        view.progressReport(view.terminal(), { ProgressReportState::indeterminate, std::nullopt });
        EXPECT_GT(queue.pending(), 0u);
        Q_EMIT qGuiApp->applicationStateChanged(QGuiApplication::applicationState());
    }
    EXPECT_EQ(queue.pending(), 0u);
}

} // namespace
} // namespace zentrova
