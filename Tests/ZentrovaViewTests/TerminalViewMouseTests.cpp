#include "PointerDriver.h"
#include "TerminalViewTestSupport.h"

#include "Support/VisibleBytes.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>

namespace zentrova {
namespace {

constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
constexpr Qt::KeyboardModifier shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;

// A view of `cols` x `rows` with `lines` numbered lines of output, and a pointer to drive it.
struct PointerFixture {
    explicit PointerFixture(int cols = 20, int rows = 10, int lines = 0)
    {
        TerminalOptions options;
        options.cols = cols;
        options.rows = rows;
        options.scrollback = 500;
        view = std::make_unique<TerminalView>(nullptr, testFont(), options);
        view->setTerminalDelegate(&host);
        view->resize(view->getOptimalFrameSize().size());
        for (int i = 0; i < lines; i++)
            feed(*view, (i ? "\r\nline " : "line ") + std::to_string(i));
        pointer = std::make_unique<PointerDriver>(*view);
        host.sent.clear();
    }

    Terminal& terminal() { return view->terminal(); }
    int yDisp() { return terminal().buffer().yDisp(); }
    // The selected text; empty without an active selection.
    std::string selectedText() { return selectionActive() ? view->selection()->getSelectedText() : ""; }
    bool selectionActive() { return view->selection() && view->selection()->active(); }
    std::string takeReports()
    {
        std::string reports = mouseReports(host.sent);
        host.sent.clear();
        return reports;
    }

    RecordingViewHost host;
    std::unique_ptr<TerminalView> view;
    std::unique_ptr<PointerDriver> pointer;
};

// Each mode sees the same gestures: a press at (1,2), a drag to (3,2), the release there, a move
// without a button to (4,2); then a Ctrl-Alt press and release, and a Shift press and release.
TEST(TerminalViewMouse, ReportsEachGestureAsTheModeAllows)
{
    struct Case {
        const char* name;
        const char* mode;
        bool shiftCapture;
        const char* press;
        const char* drag;
        const char* release;
        const char* move;
        const char* modified;
        const char* shifted;
    };
    const Case cases[] = {
        { "off", "", false, "", "", "", "", "", "" },
        // x10 reports presses, but the view selects with them; the release is not x10's to report.
        { "x10", "\x1b[?9h", false, "", "", "", "", "", "" },
        { "vt200", "\x1b[?1000h", false, "0@1,2", "", "3@3,2", "", "24@1,2 27@1,2", "" },
        { "button events", "\x1b[?1002h", false, "0@1,2", "32@3,2", "3@3,2", "", "24@1,2 27@1,2", "" },
        { "any event", "\x1b[?1003h", false, "0@1,2", "32@3,2", "3@3,2", "35@4,2", "24@1,2 27@1,2", "" },
        // A child that captures Shift gets it as the Shift bit.
        { "vt200, shift captured", "\x1b[?1000h", true, "0@1,2", "", "3@3,2", "", "24@1,2 27@1,2", "4@1,2 7@1,2" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointerFixture f;
        feed(*f.view, c.mode);
        f.terminal().mouseShiftCapture = c.shiftCapture;
        PointerDriver& p = *f.pointer;
        p.press(p.cell(1, 2));
        EXPECT_EQ(f.takeReports(), c.press);
        p.drag(p.cell(3, 2));
        EXPECT_EQ(f.takeReports(), c.drag);
        p.release(p.cell(3, 2));
        EXPECT_EQ(f.takeReports(), c.release);
        p.move(p.cell(4, 2));
        EXPECT_EQ(f.takeReports(), c.move);
        p.click(p.cell(1, 2), ctrl | alt);
        EXPECT_EQ(f.takeReports(), c.modified);
        p.click(p.cell(1, 2), shift);
        EXPECT_EQ(f.takeReports(), c.shifted);
    }
}

// The middle button is the program's when it takes the mouse (button 1), Shift keeping it the
// user's; without the program it pastes the primary selection, which the offscreen platform lacks.
TEST(TerminalViewMouse, TheMiddleButtonIsReportedWhereTheModeReportsButtons)
{
    struct Case {
        const char* name;
        const char* mode;
        const char* plain;
        const char* shifted;
    };
    const Case cases[] = {
        { "off", "", "", "" },
        { "x10", "\x1b[?9h", "", "" },
        { "vt200", "\x1b[?1000h", "1@1,2 3@1,2", "" },
        { "any event", "\x1b[?1003h", "1@1,2 3@1,2", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointerFixture f;
        feed(*f.view, c.mode);
        f.pointer->middleClick(f.pointer->cell(1, 2));
        EXPECT_EQ(f.takeReports(), c.plain);
        f.pointer->middleClick(f.pointer->cell(1, 2), shift);
        EXPECT_EQ(f.takeReports(), c.shifted);
    }
}

TEST(TerminalViewMouse, ReportsAreLocalWhileReportingIsOffAndFollowTheScrollOffset)
{
    PointerFixture f(20, 10, 40);
    feed(*f.view, "\x1b[?1000h");
    f.view->scrollTo(5);
    f.pointer->click(f.pointer->cell(2, 3));
    EXPECT_EQ(f.takeReports(), "0@2,3 3@2,3") << "rows count from the top of what is shown";

    f.view->setAllowMouseReporting(false);
    f.pointer->doubleClick(f.pointer->cell(1, 0));
    EXPECT_EQ(f.takeReports(), "");
    EXPECT_EQ(f.selectedText(), "line") << "a double click selects the word on the shown row";
}

TEST(TerminalViewMouse, AnyEventModeTurnsPointerTrackingOn)
{
    PointerFixture f;
    EXPECT_FALSE(f.view->hasMouseTracking());
    feed(*f.view, "\x1b[?1003h");
    EXPECT_TRUE(f.view->hasMouseTracking());
    feed(*f.view, "\x1b[?1003l");
    EXPECT_FALSE(f.view->hasMouseTracking());
    f.view->setLinkHighlightMode(LinkHighlightMode::hover);
    EXPECT_TRUE(f.view->hasMouseTracking()) << "hovering needs every move";
}

TEST(TerminalViewMouse, HitsClampToTheGridAndFollowTheScrollOffset)
{
    PointerFixture f(20, 10, 30);
    PointerDriver& p = *f.pointer;
    const int lastLine = f.terminal().buffer().lines().count() - 1;
    const QSizeF cell = f.view->cellDimension().value();
    struct Case {
        const char* name;
        QPointF point;
        Position grid;
    };
    const Case cases[] = {
        { "inside", p.cell(3, 4), { 3, f.yDisp() + 4 } },
        { "left of column 0", QPointF(-40, cell.height() * 2.5), { 0, f.yDisp() + 2 } },
        { "right of the last column", QPointF(cell.width() * 45, cell.height() * 2.5), { 19, f.yDisp() + 2 } },
        { "below the last line", QPointF(1, cell.height() * 30), { 0, lastLine } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(f.view->calculateMouseHit(c.point).grid, c.grid);
    }

    f.view->scrollTo(6);
    EXPECT_EQ(f.view->calculateMouseHit(p.cell(2, 3)).grid, (Position { 2, 9 }));
    EXPECT_EQ(f.view->calculateMouseHit(QPointF(1, -cell.height() / 2)).grid.row, 5) << "the row above the screen";

    const auto pixels = f.view->calculateMouseHit(QPointF(-3, 1e6)).pixels;
    EXPECT_EQ(pixels, (Position { 0, f.view->height() })) << "pixels stay inside the view";
}

TEST(TerminalViewMouse, AClickOnARightToLeftRowHitsTheLogicalColumnShownThere)
{
    for (const BidiHostPolicy policy : { BidiHostPolicy::respectTerminal, BidiHostPolicy::legacyLeftToRight }) {
        PointerFixture f;
        f.view->setBidiHostPolicy(policy);
        // Explicit mode, right-to-left presentation: "ab" is drawn at the right edge, "a" rightmost.
        feed(*f.view, "\x1b[8l\x1b[3 Sab");
        const Position hit = f.view->calculateMouseHit(f.pointer->cell(19, 0)).grid;
        EXPECT_EQ(hit.col, policy == BidiHostPolicy::respectTerminal ? 0 : 19);

        if (policy == BidiHostPolicy::respectTerminal) {
            f.pointer->doubleClick(f.pointer->cell(18, 0));
            EXPECT_EQ(f.selectedText(), "ab") << "the word under the pointer, not the blanks stored there";
        }
    }
}

TEST(TerminalViewMouse, SelectionGestures)
{
    struct Case {
        const char* name;
        std::function<void(PointerDriver&)> gesture;
        const char* selected;
    };
    const Case cases[] = {
        { "drag", [](PointerDriver& p) {
              p.press(p.cell(6, 0));
              p.drag(p.cell(6, 0));
              p.drag(p.cell(11, 0));
              p.release(p.cell(11, 0));
          }, "world" },
        // The first move may arrive cells away from the press: the selection still starts at the press.
        { "drag with one long move", [](PointerDriver& p) {
              p.press(p.cell(6, 0));
              p.drag(p.cell(11, 0));
              p.release(p.cell(11, 0));
          }, "world" },
        { "double click", [](PointerDriver& p) { p.doubleClick(p.cell(7, 0)); }, "world" },
        { "triple click", [](PointerDriver& p) { p.tripleClick(p.cell(7, 0)); }, "hello world (x y)" },
        { "double click on a bracket", [](PointerDriver& p) { p.doubleClick(p.cell(12, 0)); }, "(x y)" },
        { "shift-click extends", [](PointerDriver& p) {
              p.doubleClick(p.cell(1, 0));
              p.click(p.cell(10, 0), shift);
          }, "hello world" },
        { "a plain click clears", [](PointerDriver& p) {
              p.doubleClick(p.cell(1, 0));
              p.click(p.cell(11, 0));
          }, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointerFixture f;
        feed(*f.view, "hello world (x y)");
        c.gesture(*f.pointer);
        EXPECT_EQ(f.selectedText(), c.selected);
    }
}

// 24 rows with 200 lines of output, scrolled back to line 50.
struct AutoScrollFixture : PointerFixture {
    AutoScrollFixture()
        : PointerFixture(20, 24, 200)
    {
        view->scrollTo(50);
        pointer->press(pointer->cell(1, 1));
        pointer->drag(pointer->cell(2, 1));
    }
};

TEST(TerminalViewMouse, AutoscrollSpeedGrowsWithTheDistancePastAnEdge)
{
    struct Case {
        const char* name;
        double screenRow;
        int delta;
    };
    const Case cases[] = {
        { "inside", 10, 0 },
        { "inside the top row", 0.1, 0 },
        { "just past the bottom row", 24, 1 },
        { "4 rows past the bottom", 28, 3 },
        { "12 rows past the bottom", 36, 24 },
        { "just above the top", -0.5, -1 },
        { "7 rows above the top", -7.5, -10 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AutoScrollFixture f;
        f.pointer->drag(f.pointer->cell(2, 0, 0.5, c.screenRow));
        EXPECT_EQ(f.view->autoScrollDelta(), c.delta);
        EXPECT_EQ(f.yDisp(), 50) << "scrolling waits for the timer";
    }
}

TEST(TerminalViewMouse, AutoscrollTicksScrollAndExtendUntilTheRelease)
{
    AutoScrollFixture f;
    const QPointF below = f.pointer->cell(2, 36);
    f.pointer->drag(below);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.yDisp() != 50; }, 2000));
    EXPECT_EQ((f.yDisp() - 50) % 24, 0) << f.yDisp();
    EXPECT_EQ(f.view->selection()->end().row, f.view->calculateMouseHit(below).grid.row)
        << "the selection follows the scrolled text under the pointer";

    f.pointer->release(below);
    const int stopped = f.yDisp();
    QTest::qWait(150);
    EXPECT_EQ(f.yDisp(), stopped);
    EXPECT_EQ(f.view->autoScrollDelta(), 0);
}

TEST(TerminalViewMouse, WheelScrollsTheScrollback)
{
    PointerFixture f(20, 10, 60);
    const QPointF at = f.pointer->cell(1, 1);
    const int live = f.yDisp();
    const int lineHeight = int(std::ceil(f.view->cellDimension()->height()));
    const int third = (lineHeight + 2) / 3;

    // A trackpad's pixels add up across events; three thirds of a line scroll one line.
    f.pointer->wheel(at, { 0, third }, { 0, 0 });
    f.pointer->wheel(at, { 0, third }, { 0, 0 });
    EXPECT_EQ(f.yDisp(), live);
    f.pointer->wheel(at, { 0, third }, { 0, 0 });
    EXPECT_EQ(f.yDisp(), live - 1);

    const int notchLines = QGuiApplication::styleHints()->wheelScrollLines();
    f.pointer->wheel(at, {}, { 0, 120 });
    EXPECT_EQ(f.yDisp(), live - 1 - notchLines);
    f.pointer->wheel(at, {}, { 0, -10 });
    EXPECT_EQ(f.yDisp(), live - notchLines) << "a sliver of a notch still moves one line";
    f.pointer->wheel(at, {}, { 30, 0 });
    EXPECT_EQ(f.yDisp(), live - notchLines) << "sideways scrolling is not ours";
    EXPECT_EQ(f.host.sent, "");
}

TEST(TerminalViewMouse, WheelIsReportedOrBecomesArrowKeys)
{
    const int lines = QGuiApplication::styleHints()->wheelScrollLines();
    const auto repeated = [&](const std::string& one) {
        std::string all;
        for (int i = 0; i < lines; i++)
            all += (i ? " " : "") + one;
        return all;
    };
    struct Case {
        const char* name;
        const char* setup;
        bool alternateScroll;
        Qt::KeyboardModifiers held;
        int angle;
        std::string sent;
    };
    const Case cases[] = {
        { "reported up", "\x1b[?1000h", true, none, 120, repeated("64@1,1") },
        { "reported down with Ctrl", "\x1b[?1000h", true, ctrl, -120, repeated("81@1,1") },
        { "reported on the alternate screen", "\x1b[?1049h\x1b[?1002h", true, none, 120, repeated("64@1,1") },
        { "arrow keys", "\x1b[?1049h", true, none, 120, repeated("ESC [ A") },
        { "arrow keys, application cursor", "\x1b[?1049h\x1b[?1h", true, none, -120, repeated("ESC O B") },
        { "alternate scroll off", "\x1b[?1049h", false, none, 120, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointerFixture f(20, 10, 60);
        feed(*f.view, c.setup);
        f.terminal().alternateScrollMode = c.alternateScroll;
        const int before = f.yDisp();
        f.pointer->wheel(f.pointer->cell(1, 1), {}, { 0, c.angle }, c.held);
        EXPECT_EQ(f.takeReports(), c.sent);
        EXPECT_EQ(f.yDisp(), before) << "the scrollback stays";
    }
}

// A shell prompt that moves its cursor with arrow keys when clicked ("cl=line"), the cursor after "hello".
struct PromptFixture : PointerFixture {
    PromptFixture()
    {
        feed(*view, "\x1b]133;A;cl=line\x07$ \x1b]133;B\x07hello");
        host.sent.clear();
    }
    int doubleClickInterval() { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }
};

TEST(TerminalViewMouse, APromptClickMovesTheCursorOnceNoSecondClickCame)
{
    PromptFixture f;
    f.pointer->click(f.pointer->cell(4, 0));
    EXPECT_EQ(f.host.sent, "") << "not before the double-click interval";
    EXPECT_EQ(f.view->semanticDeferralScheduleCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.host.sent.empty(); }, f.doubleClickInterval() + 2000));
    EXPECT_EQ(visibleBytes(f.host.sent), "ESC [DESC [DESC [D");
    EXPECT_FALSE(f.view->hasPendingSemanticClick());
}

TEST(TerminalViewMouse, ADoubleClickOnThePromptSelectsAndLeavesTheCursor)
{
    PromptFixture f;
    f.pointer->doubleClick(f.pointer->cell(4, 0));
    EXPECT_FALSE(f.view->hasPendingSemanticClick());
    EXPECT_EQ(f.selectedText(), "hello");
    QTest::qWait(f.doubleClickInterval() + 100);
    EXPECT_EQ(f.host.sent, "");
}

} // namespace
} // namespace zentrova
