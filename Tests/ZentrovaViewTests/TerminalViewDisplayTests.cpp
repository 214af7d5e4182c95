#include "TerminalViewTestSupport.h"

#include "Support/ManualMainQueue.h"
#include "ZentrovaView/CaretView.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QBackingStore>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <thread>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

// A 20 × 6 view whose redraws are timed on a manual clock; the host hears of every redraw (a "range"
// call) because the view reports update ranges.
struct PacingFixture {
    ManualMainQueue queue;
    RecordingViewHost host;
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };

    PacingFixture()
    {
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(cell.height() * 6.5));
        view.terminal().resize(20, 6);
        view.setDisplayQueue(queue);
        view.setTerminalDelegate(&host);
        view.setNotifyUpdateChanges(true);
        queue.advance(1s);
        host.calls.clear();
    }
    ~PacingFixture() { view.setTerminalDelegate(nullptr); }

    size_t redraws() const
    {
        return size_t(std::count_if(host.calls.begin(), host.calls.end(),
                                    [](const std::string& call) { return call.starts_with("range "); }));
    }
    void type(std::string_view bytes)
    {
        view.send(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
};

TEST(TerminalViewDisplay, BulkOutputRedrawsAtMostOncePerFrame)
{
    PacingFixture f;
    for (int i = 0; i < 1000; i++) {
        f.view.feed("x");
        f.queue.advance(1ms);
    }
    f.queue.advance(20ms);
    EXPECT_GE(f.redraws(), 55u);
    EXPECT_LE(f.redraws(), 61u);
}

TEST(TerminalViewDisplay, OutputSoonAfterTypingIsDrawnAtOnceLaterItWaitsForTheFrame)
{
    PacingFixture f;
    f.type("a");
    f.queue.advance(100ms);
    f.host.calls.clear();
    f.view.feed("a");
    EXPECT_EQ(f.redraws(), 1u) << "echo within 150 ms of the key";
    EXPECT_FALSE(f.view.pendingDisplay());

    f.queue.advance(100ms);
    f.host.calls.clear();
    f.view.feed("b");
    EXPECT_EQ(f.redraws(), 0u) << "200 ms after the key";
    EXPECT_TRUE(f.view.pendingDisplay());
    f.queue.advance(17ms);
    EXPECT_EQ(f.redraws(), 1u);
    EXPECT_FALSE(f.view.pendingDisplay());
}

TEST(TerminalViewDisplay, SynchronizedOutputDrawsNothingThenOnceWhenItEnds)
{
    PacingFixture f;
    f.view.feed("\x1b[?2026h");
    for (int i = 0; i < 100; i++) {
        f.view.feed("frame line\r\n");
        f.queue.advance(1ms);
    }
    // Typing does not break through either.
    f.type("q");
    f.view.feed("echo");
    f.queue.advance(100ms);
    EXPECT_EQ(f.redraws(), 0u);

    f.view.feed("\x1b[?2026l");
    f.queue.advance(100ms);
    EXPECT_EQ(f.redraws(), 1u);
}

TEST(TerminalViewDisplay, DirtyRowsRepaintTheirRowsAndOneBelowOrToTheBottomEdge)
{
    PacingFixture f;
    const double cellHeight = f.view.cellDimension()->height();
    // The scroll bar on the right edge shows nothing of the rows.
    const int width = f.view.width() - f.view.scrollerWidth();
    const struct {
        int first;
        int last;
        double top;
        double bottom;
    } cases[] = {
        { 0, 0, 0, 2 * cellHeight },
        { 2, 3, 2 * cellHeight, 5 * cellHeight },
        { 4, 5, 4 * cellHeight, double(f.view.height()) },
        { 5, 5, 5 * cellHeight, double(f.view.height()) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + "-" + std::to_string(c.last));
        EXPECT_EQ(f.view.dirtyRowsRect(c.first, c.last), QRectF(0, c.top, width, c.bottom - c.top).toAlignedRect());
    }

    // Without the scroll bar the rows reach the right edge.
    f.view.scroller()->hide();
    EXPECT_EQ(f.view.dirtyRowsRect(2, 3), QRectF(0, 2 * cellHeight, f.view.width(), 3 * cellHeight).toAlignedRect());
    f.view.scroller()->show();

    // Scrolled back, every row may have moved.
    std::string lines;
    for (int i = 0; i < 20; i++)
        lines += "line\r\n";
    f.view.feed(lines);
    f.view.scrollUp(2);
    EXPECT_EQ(f.view.dirtyRowsRect(2, 3), f.view.rect());
}

std::string hebrewLetters(int count)
{
    std::string text;
    for (int i = 0; i < count; i++)
        text += i % 2 ? "\u05D1" : "\u05D0";
    return text;
}

// One changed row of a wrapped right-to-left paragraph can move text in every row of it, so the
// repaint takes in the whole paragraph, as far as it is on the screen.
TEST(TerminalViewDisplay, DirtyRowsWidenToTheWholeParagraphsAtTheirEnds)
{
    PacingFixture f;
    // Screen rows 1-3: one paragraph of 45 letters; row 5 a line of its own.
    feed(f.view, "\x1b[2H" + hebrewLetters(45) + "\x1b[6Hend");
    const struct {
        int first;
        int last;
        int widenedFirst;
        int widenedLast;
    } cases[] = {
        { 2, 2, 1, 3 }, { 3, 4, 1, 4 }, { 0, 1, 0, 3 }, { 0, 0, 0, 0 }, { 4, 5, 4, 5 }, { 0, 5, 0, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + "-" + std::to_string(c.last));
        EXPECT_EQ(f.view.paragraphDirtyRows(c.first, c.last), std::pair(c.widenedFirst, c.widenedLast));
    }

    // Two rows scrolled away: the paragraph now starts above the screen, at row -1.
    feed(f.view, "\r\n\r\n");
    EXPECT_EQ(f.view.paragraphDirtyRows(1, 1), std::pair(0, 1));
    EXPECT_EQ(f.view.paragraphDirtyRows(0, 0), std::pair(0, 1));
}

// What a shown view is asked to repaint after a change to the last row of a paragraph.
// Collects the regions a widget is asked to paint.
struct PaintRecorder : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST(TerminalViewDisplay, ARedrawRepaintsTheWholeParagraphOfAChangedRow)
{
    PacingFixture f;
    PaintRecorder recorder;
    f.view.show();
    feed(f.view, "\x1b[2H" + hebrewLetters(45));
    f.view.updateDisplay();
    f.view.installEventFilter(&recorder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 2000));

    recorder.painted = {};
    feed(f.view, "\x1b[4;3H\u05D2\x1b[6H");
    f.view.updateDisplay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 2000));
    const QRect row1 = f.view.dirtyRowsRect(1, 1).adjusted(0, 0, 0, -int(f.view.cellDimension()->height()));
    EXPECT_TRUE(recorder.painted.contains(row1)) << "the paragraph's first row moves too";
    EXPECT_FALSE(recorder.painted.intersects(f.view.dirtyRowsRect(0, 0).adjusted(0, 0, 0, -row1.height() - 1)))
        << "the row above the paragraph is left alone";
}

// Feeds `bytes` to a shown view, waits for the redraw to be painted and gives what was painted.
QRegion feedAndPaint(PacingFixture& f, const std::string& bytes)
{
    PaintRecorder recorder;
    f.view.installEventFilter(&recorder);
    feed(f.view, bytes);
    f.view.updateDisplay();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 2000));
    f.view.removeEventFilter(&recorder);
    return recorder.painted;
}

// The right of a repainted row is left alone where neither what the row showed nor what it will show
// reaches, two columns past the last inked cell for glyphs that overhang it.
TEST(TerminalViewDisplay, DirtyRowsReachAsFarAsWhatTheyShowedOrWillShow)
{
    const struct {
        const char* name;
        std::string before;
        std::string after;
        int columns;
    } cases[] = {
        { "a long line cut short", "abcdefghijklmn", "\r\x1b[2Kab", 16 },
        { "a short line made long", "ab", "cdefghijkl", 14 },
        { "a blank row stays blank", "", "\x1b[1;5H", 2 },
        { "a coloured blank", "", "\x1b[44m \x1b[0m", 3 },
        { "a line filling the row", "", std::string(20, 'x'), 20 },
        { "right-to-left text", "", "\u05D0\u05D1", 20 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PacingFixture f;
        f.view.show();
        feedAndPaint(f, "\x1b[1H" + c.before);
        feed(f.view, c.after);
        const double cellWidth = f.view.cellDimension()->width();
        const double textWidth = f.view.width() - f.view.scrollerWidth();
        const double expected = c.columns >= 20 ? textWidth : cellWidth * c.columns;
        const double height = 2 * f.view.cellDimension()->height();
        EXPECT_EQ(f.view.dirtyRowsRect(0, 0), QRectF(0, 0, expected, height).toAlignedRect());
    }
}

// What a narrow repaint leaves on the screen is what painting the whole view gives.
TEST(TerminalViewDisplay, ANarrowRepaintLeavesNothingOfTheLongerLineBefore)
{
    PacingFixture f;
    f.view.show();
    feedAndPaint(f, "\x1b[1Habcdefgh\r\n\x1b[3mwww\x1b[0m");
    const QRegion painted = feedAndPaint(f, "\x1b[1H\x1b[2Kab\r\n\x1b[2K\x1b[3mx\x1b[0m");
    EXPECT_LE(painted.boundingRect().right(), int(std::ceil(f.view.cellDimension()->width() * 10)))
        << "the repaint reaches only as far as the first row showed";
    // The window's pixels as the paints left them, against the whole view painted afresh at their scale.
    QPaintDevice* device = f.view.backingStore()->paintDevice();
    ASSERT_EQ(device->devType(), int(QInternal::Image));
    QImage shown = static_cast<QImage*>(device)->convertToFormat(QImage::Format_RGB32);
    QImage whole(shown.size(), QImage::Format_RGB32);
    whole.setDevicePixelRatio(shown.devicePixelRatio());
    f.view.render(&whole);
    EXPECT_TRUE(shown == whole);
}

// Page keys scroll the scrollback of the normal screen; the alternate screen has none, so a full-screen
// program gets the keys instead.
TEST(TerminalViewDisplay, PageKeysScrollTheNormalScreenAndReachTheProgramOnTheAlternateOne)
{
    PacingFixture f;
    std::string lines;
    for (int i = 0; i < 30; i++)
        lines += "line\r\n";
    f.view.feed(lines);
    const int bottom = f.view.terminal().buffer().yDisp();
    ASSERT_GT(bottom, 6);

    f.view.pageUp();
    EXPECT_EQ(f.view.terminal().buffer().yDisp(), bottom - 6);
    EXPECT_TRUE(f.view.userScrolling());
    f.view.pageDown();
    EXPECT_EQ(f.view.terminal().buffer().yDisp(), bottom);
    EXPECT_FALSE(f.view.userScrolling());
    EXPECT_EQ(f.host.sent, "");

    f.view.feed("\x1b[?1049h");
    const int alternateTop = f.view.terminal().buffer().yDisp();
    f.view.pageUp();
    f.view.pageDown();
    EXPECT_EQ(f.host.sent, "\x1b[5~\x1b[6~");
    EXPECT_EQ(f.view.terminal().buffer().yDisp(), alternateTop);
    // The keys count as typing: the program's answer is drawn at once.
    f.host.calls.clear();
    f.view.feed("redraw");
    EXPECT_EQ(f.redraws(), 1u);
}

// Scrolling output moves the caret with the redraw that shows the new rows, not line by line.
TEST(TerminalViewDisplay, TheCaretFollowsScrollingOutputWithTheRedraw)
{
    PacingFixture f;
    const QRect before = f.view.caretView()->geometry();
    std::string lines;
    for (int i = 0; i < 20; i++)
        lines += "line\r\n";
    f.view.feed(lines + "ab");
    EXPECT_EQ(f.view.caretView()->geometry(), before) << "nothing is drawn yet";
    f.queue.advance(17ms);
    EXPECT_EQ(f.view.caretView()->geometry(), f.view.cellGeometry().cellRect(2, 5).toAlignedRect());
}

// Another thread asking for a redraw gets one, drawn later on the main thread, however often it asks.
TEST(TerminalViewDisplay, ImmediateRedrawFromAnotherThreadHopsToTheMainThreadOnce)
{
    PacingFixture f;
    f.view.terminal().feed(std::string_view("output"));
    std::thread([&] {
        f.view.displayImmediately();
        f.view.displayImmediately();
    }).join();
    EXPECT_TRUE(f.view.pendingDisplay());
    EXPECT_EQ(f.redraws(), 0u) << "nothing is drawn off the main thread";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(f.redraws(), 1u);
    EXPECT_FALSE(f.view.pendingDisplay());

    // A view gone before the main thread gets to the redraw is left alone.
    auto doomed = std::make_unique<TerminalView>(nullptr, testFont());
    std::thread([&] { doomed->displayImmediately(); }).join();
    EXPECT_TRUE(doomed->pendingDisplay());
    doomed.reset();
    QCoreApplication::sendPostedEvents();
}

TEST(TerminalViewDisplay, NothingWaitsOnTheQueueOnceTheViewIsGone)
{
    ManualMainQueue queue;
    {
        TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(400, 300));
        view.show();
        // The caret blinks in the active window only.
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setDisplayQueue(queue);
        view.setCaretViewTracksFocus(false);
        view.feed("output");
        EXPECT_TRUE(view.pendingDisplay());
        EXPECT_GE(queue.pending(), 2u) << "a redraw and a caret blink frame";
    }
    EXPECT_EQ(queue.pending(), 0u);
    queue.advance(1s);
}

} // namespace
} // namespace zentrova
