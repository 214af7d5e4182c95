#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

#include <QScrollBar>

namespace zentrova {
namespace {

// A 10-row view with 30 lines of output, so 20 rows of scrollback sit above the screen.
struct ScrolledView {
    ScrolledView()
    {
        TerminalOptions options;
        options.cols = 20;
        options.rows = 10;
        view = std::make_unique<TerminalView>(nullptr, testFont(), options);
        view->setTerminalDelegate(&host);
        for (int i = 0; i < 30; i++)
            feed(*view, "line " + std::to_string(i) + "\r\n");
        host.calls.clear();
        host.sent.clear();
    }

    int yDisp() { return view->terminal().buffer().yDisp(); }
    double knob() const { return double(view->scroller()->value()) / view->scroller()->maximum(); }

    RecordingViewHost host;
    std::unique_ptr<TerminalView> view;
};

TEST(TerminalViewScroller, MirrorsTheScrollPosition)
{
    ScrolledView s;
    QScrollBar& bar = *s.view->scroller();
    EXPECT_TRUE(s.view->canScroll());
    EXPECT_TRUE(bar.isEnabled());
    EXPECT_EQ(s.view->scrollPosition(), 1);
    EXPECT_DOUBLE_EQ(s.knob(), 1);
    // The knob's share of the track is the screen's share of the lines.
    EXPECT_NEAR(double(bar.pageStep()) / (bar.maximum() + bar.pageStep()), s.view->scrollThumbsize(), 0.001);
    EXPECT_NEAR(s.view->scrollThumbsize(), 10.0 / 31, 0.001);

    s.view->scroll(0.5);
    EXPECT_EQ(s.yDisp(), 10);
    EXPECT_TRUE(s.view->userScrolling());
    EXPECT_TRUE(s.view->terminal().userScrolling);
    EXPECT_NEAR(s.knob(), s.view->scrollPosition(), 0.001);
    EXPECT_EQ(s.host.calls.back(), "scrolled " + std::to_string(s.view->scrollPosition()));

    s.view->scroll(1.0);
    EXPECT_EQ(s.yDisp(), s.view->terminal().buffer().yBase());
    EXPECT_FALSE(s.view->userScrolling());
}

// One scroll after another, each from where the last left the view; only a real move tells the host.
TEST(TerminalViewScroller, ScrollOperationsClampAndTrackUserScrolling)
{
    ScrolledView s;
    const int base = s.view->terminal().buffer().yBase();
    struct Step {
        const char* name;
        std::function<void()> act;
        int yDisp;
        bool userScrolling;
        bool reported;
    };
    const Step steps[] = {
        { "to the middle", [&] { s.view->scroll(0.5); }, int(0.5 * base), true, true },
        { "to the middle again", [&] { s.view->scroll(0.5); }, int(0.5 * base), true, false },
        { "to the live screen", [&] { s.view->scroll(1.0); }, base, false, true },
        { "past the end", [&] { s.view->scroll(1.5); }, base, false, false },
        { "to the top", [&] { s.view->scroll(0); }, 0, true, true },
        { "before the top", [&] { s.view->scroll(-1); }, 0, true, false },
        { "five lines down", [&] { s.view->scrollDown(5); }, 5, true, true },
        { "a hundred lines up", [&] { s.view->scrollUp(100); }, 0, true, true },
        { "a hundred lines down", [&] { s.view->scrollDown(100); }, base, false, true },
        { "to a row past the end", [&] { s.view->scrollTo(base + 10); }, base, false, false },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        s.host.calls.clear();
        step.act();
        EXPECT_EQ(s.yDisp(), step.yDisp);
        EXPECT_EQ(s.view->userScrolling(), step.userScrolling);
        EXPECT_EQ(s.view->terminal().userScrolling, step.userScrolling);
        EXPECT_EQ(!s.host.calls.empty(), step.reported);
        EXPECT_NEAR(s.knob(), s.view->scrollPosition(), 0.001);
    }
}

TEST(TerminalViewScroller, PageAndKnobActionsDriveTheView)
{
    ScrolledView s;
    QScrollBar& bar = *s.view->scroller();
    const int base = s.view->terminal().buffer().yBase();
    struct Step {
        const char* name;
        std::function<void()> act;
        int yDisp;
    };
    const Step steps[] = {
        { "page up", [&] { bar.triggerAction(QAbstractSlider::SliderPageStepSub); }, base - 10 },
        { "page up", [&] { bar.triggerAction(QAbstractSlider::SliderPageStepSub); }, base - 20 },
        { "page up at the top", [&] { bar.triggerAction(QAbstractSlider::SliderPageStepSub); }, 0 },
        { "page down", [&] { bar.triggerAction(QAbstractSlider::SliderPageStepAdd); }, 10 },
        { "a line step only reports", [&] { bar.triggerAction(QAbstractSlider::SliderSingleStepAdd); }, 10 },
        { "knob to the top", [&] { bar.setSliderPosition(0); }, 0 },
        { "knob to the bottom", [&] { bar.setSliderPosition(bar.maximum()); }, base },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(s.yDisp(), step.yDisp);
        EXPECT_NEAR(s.knob(), s.view->scrollPosition(), 0.001) << "the knob shows where the view is";
    }
    EXPECT_TRUE(s.host.sent.empty());
}

TEST(TerminalViewScroller, PagingOnTheAlternateScreenSendsKeysInsteadOfScrolling)
{
    ScrolledView s;
    feed(*s.view, "\x1b[?1049h");
    QScrollBar& bar = *s.view->scroller();
    EXPECT_FALSE(s.view->canScroll());
    EXPECT_FALSE(bar.isEnabled()) << "the buffer switch refreshed the bar";
    EXPECT_EQ(s.view->scrollPosition(), 0);
    EXPECT_EQ(s.view->scrollThumbsize(), 0.01);
    const int yDisp = s.yDisp();
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.host.sent, "\x1b[6~");
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(s.host.sent, "\x1b[6~\x1b[5~");
    EXPECT_EQ(s.yDisp(), yDisp);
}

TEST(TerminalViewScroller, TheCaretIsBroughtIntoViewUnlessOutputIsSynchronized)
{
    ScrolledView s;
    const int base = s.view->terminal().buffer().yBase();
    s.view->scroll(0);
    feed(*s.view, "\x1b[?2026h");
    s.view->ensureCaretIsVisible();
    EXPECT_EQ(s.yDisp(), 0);
    feed(*s.view, "\x1b[?2026l");
    s.view->ensureCaretIsVisible();
    EXPECT_EQ(s.yDisp(), base);
    EXPECT_FALSE(s.view->userScrolling());
}

TEST(TerminalViewScroller, SynchronizedOutputReportsThePositionOnlyWhenItEnds)
{
    ScrolledView s;
    feed(*s.view, "\x1b[?2026h");
    EXPECT_TRUE(s.host.calls.empty());
    feed(*s.view, "\x1b[?2026l");
    EXPECT_EQ(s.host.calls, (std::vector<std::string> { "scrolled " + std::to_string(1.0) }));
}

} // namespace
} // namespace zentrova
