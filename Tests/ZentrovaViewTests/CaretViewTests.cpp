#include "TerminalViewTestSupport.h"

#include "Support/ManualMainQueue.h"
#include "ZentrovaView/CaretView.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QImage>
#include <QPaintEvent>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

const QColor background(10, 10, 10);
const QColor foreground(230, 230, 230);
const QColor caretColor(220, 30, 30);
const QColor caretTextColor(30, 220, 30);

bool near(const QColor& a, const QColor& b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor colorAt(const QImage& image, QPointF logical)
{
    const double ratio = image.devicePixelRatio();
    return image.pixelColor(int(logical.x() * ratio), int(logical.y() * ratio));
}

size_t countNear(const QImage& image, const QRectF& logical, const QColor& color)
{
    const double ratio = image.devicePixelRatio();
    const QRect area = QRect(QPoint(int(std::ceil(logical.left() * ratio)), int(std::ceil(logical.top() * ratio))),
                             QPoint(int(std::floor(logical.right() * ratio)) - 1,
                                    int(std::floor(logical.bottom() * ratio)) - 1))
                           .intersected(image.rect());
    size_t found = 0;
    for (int y = area.top(); y <= area.bottom(); y++) {
        for (int x = area.left(); x <= area.right(); x++)
            found += near(image.pixelColor(x, y), color) ? 1 : 0;
    }
    return found;
}

// A 20 × 6 view in known colours; the cursor is moved by feeding it.
struct CaretFixture {
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };

    CaretFixture()
    {
        view.setNativeBackgroundColor(background);
        view.setNativeForegroundColor(foreground);
        view.setCaretColor(caretColor);
        view.setCaretTextColor(caretTextColor);
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(std::ceil(cell.height() * 6)));
        view.terminal().resize(20, 6);
    }

    CaretView& caret() { return *view.caretView(); }
    QRectF cell(int col, int row, int cols = 1) const { return view.cellGeometry().cellRect(col, row, cols); }
    void feedAndPlace(std::string_view bytes)
    {
        feed(view, bytes);
        view.updateCursorPosition();
    }
    QImage grab() { return view.grab().toImage(); }
};

TEST(CaretView, StandsOverTheCursorCellAndFollowsItsWidth)
{
    CaretFixture f;
    f.feedAndPlace("\x1b[3;4H");
    EXPECT_TRUE(f.caret().isVisibleTo(&f.view));
    EXPECT_EQ(f.caret().geometry(), f.cell(3, 2).toAlignedRect());

    // Over a wide character the caret covers both its columns.
    f.feedAndPlace("\xe4\xb8\xad\b\b");
    EXPECT_EQ(f.caret().geometry(), f.cell(3, 2, 2).toAlignedRect());
    EXPECT_EQ(f.caret().glyphColumnWidth(), 2);
    EXPECT_EQ(f.caret().text(), QString::fromUtf8("\xe4\xb8\xad"));

    // On a double-width line the caret stands at twice the column and is twice as wide.
    f.feedAndPlace("\x1b#6\x1b[3;3H");
    EXPECT_EQ(f.caret().geometry(), QRectF(f.cell(0, 2).width() * 4, f.cell(0, 2).top(), f.cell(0, 2).width() * 2,
                                           f.cell(0, 2).height())
                                        .toAlignedRect());
}

// On a right-to-left row the caret stands where the cursor's cell is drawn. Alef, bet and gimel are
// drawn at the right edge in reverse; the cursor after them stands left of the word, where the next
// letter will go.
TEST(CaretView, StandsAtTheVisualColumnOnARightToLeftRow)
{
    CaretFixture f;
    f.view.cursorStyleChanged(f.view.terminal(), CursorStyle::steadyBlock);
    f.view.setCaretViewTracksFocus(false);
    f.feedAndPlace("\u05D0\u05D1\u05D2");
    EXPECT_EQ(f.caret().geometry(), f.cell(16, 0).toAlignedRect());

    f.feedAndPlace("\b\b");
    EXPECT_EQ(f.caret().geometry(), f.cell(18, 0).toAlignedRect()) << "on bet";
    EXPECT_EQ(f.caret().text(), QString::fromUtf8("\u05D1"));
    const QImage image = f.grab();
    EXPECT_GT(countNear(image, f.cell(18, 0), caretColor), 10u);
    EXPECT_EQ(countNear(image, f.cell(1, 0), caretColor), 0u) << "nothing at the logical column";

    f.view.setBidiHostPolicy(BidiHostPolicy::legacyLeftToRight);
    f.view.updateCursorPosition();
    EXPECT_EQ(f.caret().geometry(), f.cell(1, 0).toAlignedRect()) << "the host draws the row as stored";
}

TEST(CaretView, HidesWithTheCursorAndWhenScrolledBelowTheShownRows)
{
    CaretFixture f;
    f.feedAndPlace("\x1b[?25l");
    EXPECT_FALSE(f.caret().isVisibleTo(&f.view));
    f.feedAndPlace("\x1b[?25h");
    EXPECT_TRUE(f.caret().isVisibleTo(&f.view));

    std::string lines;
    for (int i = 0; i < 20; i++)
        lines += "line\r\n";
    f.feedAndPlace(lines);
    EXPECT_TRUE(f.caret().isVisibleTo(&f.view));
    f.view.scrollUp(3);
    EXPECT_FALSE(f.caret().isVisibleTo(&f.view));
    f.view.scrollDown(3);
    EXPECT_TRUE(f.caret().isVisibleTo(&f.view));
}

// Where each style puts the caret colour within its rectangle, focused; unfocused every style is a
// hollow frame.
TEST(CaretView, EachStyleDrawsItsShapeFocusedAndAHollowBoxUnfocused)
{
    struct Case {
        CursorStyle style;
        bool fillsCentre;
        bool fillsBottomEdge;
        bool fillsLeftEdge;
    };
    const Case cases[] = {
        { CursorStyle::blinkBlock, true, true, true },       { CursorStyle::steadyBlock, true, true, true },
        { CursorStyle::blinkUnderline, false, true, false }, { CursorStyle::steadyUnderline, false, true, false },
        { CursorStyle::blinkBar, false, false, true },       { CursorStyle::steadyBar, false, false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(tagName(c.style)));
        CaretFixture f;
        f.feedAndPlace("\x1b[2;6H");
        f.view.cursorStyleChanged(f.view.terminal(), c.style);
        const QRectF r = f.caret().geometry();
        const QPointF centre = r.center();
        const QPointF bottomEdge(centre.x() + 1, r.bottom() - 0.5);
        const QPointF leftEdge(r.left() + 0.5, r.top() + 2);

        f.view.setCaretViewTracksFocus(false);
        QImage image = f.grab();
        EXPECT_EQ(near(colorAt(image, centre), caretColor), c.fillsCentre);
        EXPECT_EQ(near(colorAt(image, bottomEdge), caretColor), c.fillsBottomEdge);
        EXPECT_EQ(near(colorAt(image, leftEdge), caretColor), c.fillsLeftEdge);
        EXPECT_EQ(f.caret().blinking(), c.style == CursorStyle::blinkBlock || c.style == CursorStyle::blinkUnderline
                                            || c.style == CursorStyle::blinkBar);

        f.view.setCaretViewTracksFocus(true);
        f.view.setHasFocus(false);
        image = f.grab();
        EXPECT_TRUE(near(colorAt(image, centre), background));
        EXPECT_TRUE(near(colorAt(image, bottomEdge), caretColor));
        EXPECT_TRUE(near(colorAt(image, leftEdge), caretColor));
        EXPECT_TRUE(near(colorAt(image, QPointF(r.right() - 0.5, centre.y())), caretColor));
        EXPECT_FALSE(f.caret().blinking());
        EXPECT_EQ(f.caret().opacity(), 1.0);
    }
}

TEST(CaretView, BlockShowsTheCharacterUnderItInTheCaretTextColour)
{
    struct Case {
        const char* name;
        std::string_view bytes;
        bool blinkVisible;
        bool glyphShown;
    };
    const Case cases[] = {
        { "plain", "W\b", true, true },
        { "blinking, shown phase", "\x1b[5mW\x1b[m\b", true, true },
        { "blinking, hidden phase", "\x1b[5mW\x1b[m\b", false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaretFixture f;
        f.view.setCaretViewTracksFocus(false);
        f.view.cursorStyleChanged(f.view.terminal(), CursorStyle::steadyBlock);
        f.view.setTextBlinkVisible(c.blinkVisible);
        f.feedAndPlace(c.bytes);
        EXPECT_EQ(f.caret().text(), c.glyphShown ? "W" : " ");
        const QImage image = f.grab();
        const QRectF r = f.caret().geometry();
        EXPECT_EQ(countNear(image, r, caretTextColor) > 4, c.glyphShown);
        // The rest of the block stays filled.
        EXPECT_GT(countNear(image, r, caretColor), size_t(r.width() * r.height() / 4));
    }
}

TEST(CaretView, APowerlineSeparatorUnderABlockIsDrawnAsItsShape)
{
    CaretFixture f;
    f.view.setCaretViewTracksFocus(false);
    f.view.cursorStyleChanged(f.view.terminal(), CursorStyle::steadyBlock);
    f.feedAndPlace("\xee\x82\xb0\b");
    const QImage image = f.grab();
    const QRectF r = f.caret().geometry();
    // A right-pointing triangle over the whole box: its flat side runs the full left edge, corner to
    // corner, its tip reaches the right edge, the right corners stay caret colour.
    EXPECT_TRUE(near(colorAt(image, QPointF(r.left() + 0.5, r.top() + 2)), caretTextColor));
    EXPECT_TRUE(near(colorAt(image, QPointF(r.left() + 0.5, r.bottom() - 2)), caretTextColor));
    EXPECT_TRUE(near(colorAt(image, QPointF(r.right() - 2, r.center().y())), caretTextColor));
    EXPECT_TRUE(near(colorAt(image, QPointF(r.right() - 1, r.top() + 1)), caretColor));
    EXPECT_TRUE(near(colorAt(image, QPointF(r.right() - 1, r.bottom() - 1)), caretColor));
}

TEST(CaretView, ByDefaultTheCharacterUnderABlockTakesTheBackgroundColour)
{
    CaretFixture f;
    f.view.setCursorColor(std::nullopt, std::nullopt);
    f.view.setCaretViewTracksFocus(false);
    f.view.cursorStyleChanged(f.view.terminal(), CursorStyle::steadyBlock);
    f.feedAndPlace("M\b");
    const QImage image = f.grab();
    const QRectF r = f.caret().geometry();
    EXPECT_GT(countNear(image, r, foreground), size_t(r.width() * r.height() / 4));
    EXPECT_GT(countNear(image, r, background), size_t(4));
}

// Focus changes arrive as Qt focus events; a program that turned on focus reports (mode 1004) hears
// of each, and the caret takes the focused or the steady unfocused look.
TEST(CaretView, FocusEventsSetTheCaretsLookAndSendFocusReportsWhenAskedFor)
{
    for (const bool reporting : { true, false }) {
        SCOPED_TRACE(reporting ? "mode 1004 on" : "mode 1004 off");
        CaretFixture f;
        RecordingViewHost host;
        f.view.setTerminalDelegate(&host);
        if (reporting)
            feed(f.view, "\x1b[?1004h");
        host.sent.clear();

        QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(&f.view, &in);
        EXPECT_TRUE(f.caret().focused());
        EXPECT_EQ(host.sent, reporting ? "\x1b[I" : "");

        host.sent.clear();
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(&f.view, &out);
        EXPECT_FALSE(f.caret().focused());
        EXPECT_FALSE(f.caret().blinking());
        EXPECT_EQ(f.caret().opacity(), 1.0);
        EXPECT_EQ(host.sent, reporting ? "\x1b[O" : "");
        f.view.setTerminalDelegate(nullptr);
    }
}

// A caret of its own on a manual clock, over the first cell of a view in the active window.
struct BlinkFixture : CaretFixture {
    ManualMainQueue queue;
    std::unique_ptr<CaretView> blinking;

    BlinkFixture()
    {
        view.show();
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        // The window is active, the view has no focus.
        view.clearFocus();
        blinking = std::make_unique<CaretView>(view, CursorStyle::blinkBar, queue);
        blinking->setGeometry(cell(0, 0).toAlignedRect());
        blinking->show();
    }
};

TEST(CaretView, BlinkFadesOutWithEaseInAndBackOnTheQueueClock)
{
    BlinkFixture f;
    f.blinking->setTracksFocus(false);
    f.blinking->updateCursorStyle();
    ASSERT_TRUE(f.blinking->blinking());

    // Ease-in: after half the fade the caret has lost less than half its opacity.
    const struct {
        std::chrono::milliseconds at;
        double low;
        double high;
    } samples[] = {
        { 352ms, 0.55, 0.8 }, { 704ms, 0.0, 0.02 }, { 1056ms, 0.55, 0.8 }, { 1408ms, 0.97, 1.0 }, { 1760ms, 0.55, 0.8 },
    };
    std::chrono::milliseconds elapsed { 0 };
    for (const auto& s : samples) {
        f.queue.advance(s.at - elapsed);
        elapsed = s.at;
        SCOPED_TRACE(std::to_string(s.at.count()) + " ms");
        EXPECT_GE(f.blinking->opacity(), s.low);
        EXPECT_LE(f.blinking->opacity(), s.high);
    }
}

TEST(CaretView, SteadyOrUnfocusedCaretsDoNotBlink)
{
    BlinkFixture f;
    // Tracking the focus of a view that has none.
    f.blinking->updateCursorStyle();
    EXPECT_FALSE(f.blinking->blinking());
    EXPECT_EQ(f.queue.pending(), 0u);

    f.blinking->setTracksFocus(false);
    f.blinking->setStyle(CursorStyle::steadyBar);
    f.blinking->updateCursorStyle();
    EXPECT_FALSE(f.blinking->blinking());
    EXPECT_EQ(f.queue.pending(), 0u);

    // A blinking caret that becomes steady is opaque again at once.
    f.blinking->setStyle(CursorStyle::blinkBar);
    f.blinking->updateCursorStyle();
    f.queue.advance(500ms);
    EXPECT_LT(f.blinking->opacity(), 0.5);
    f.blinking->setStyle(CursorStyle::steadyBar);
    f.blinking->updateCursorStyle();
    EXPECT_EQ(f.blinking->opacity(), 1.0);
    EXPECT_EQ(f.queue.pending(), 0u);
}

TEST(CaretView, AHiddenCaretStopsItsFramesAndADestroyedOneLeavesNone)
{
    BlinkFixture f;
    f.blinking->setTracksFocus(false);
    f.blinking->updateCursorStyle();
    EXPECT_EQ(f.queue.pending(), 1u);

    f.blinking->hide();
    f.queue.advance(100ms);
    EXPECT_EQ(f.queue.pending(), 0u);
    f.blinking->show();
    EXPECT_EQ(f.queue.pending(), 1u);

    f.blinking.reset();
    EXPECT_EQ(f.queue.pending(), 0u);
    f.queue.advance(1s);
}

TEST(CaretView, AnInactiveWindowPausesTheFadeAtFullOpacity)
{
    BlinkFixture f;
    f.blinking->setTracksFocus(false);
    f.blinking->updateCursorStyle();
    f.queue.advance(500ms);
    ASSERT_LT(f.blinking->opacity(), 0.5);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(f.blinking->animating());
    EXPECT_EQ(f.blinking->opacity(), 1.0);
    EXPECT_EQ(f.queue.pending(), 0u);

    f.view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.view));
    EXPECT_TRUE(f.blinking->animating());
    EXPECT_EQ(f.queue.pending(), 1u);
}

// Writes down the region of every paint of the widgets it watches.
class PaintLog : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            paints.push_back({ watched, static_cast<QPaintEvent*>(event)->region() });
        return false;
    }
    size_t count(const QObject* of) const
    {
        return size_t(std::count_if(paints.begin(), paints.end(), [of](const auto& p) { return p.first == of; }));
    }
    std::vector<std::pair<QObject*, QRegion>> paints;
};

// The focused view's own blinking caret on a manual clock, in the active window.
struct FocusedBlinkFixture : CaretFixture {
    ManualMainQueue queue;
    PaintLog log;

    FocusedBlinkFixture()
    {
        view.setDisplayQueue(queue);
        view.cursorStyleChanged(view.terminal(), CursorStyle::blinkBar);
        feedAndPlace("AB\b");
        view.show();
        view.activateWindow();
        view.setFocus();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        EXPECT_TRUE(caret().animating());
        QCoreApplication::processEvents();
        view.installEventFilter(&log);
        caret().installEventFilter(&log);
    }
    // Moves the clock a millisecond at a time, letting Qt paint what each frame asked for.
    void run(std::chrono::milliseconds span)
    {
        for (auto t = 0ms; t < span; t += 1ms) {
            queue.advance(1ms);
            QCoreApplication::processEvents();
        }
    }
    // The view and the caret drawn over just the caret's box, as a blink frame draws them.
    QImage drawCaretBoxOnly()
    {
        const double ratio = view.devicePixelRatioF();
        QImage image((QSizeF(view.size()) * ratio).toSize(), QImage::Format_ARGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::magenta);
        view.render(&image, caret().geometry().topLeft(), QRegion(caret().geometry()));
        return image;
    }
};

// Each blink frame repaints the caret's box alone, and only when the fade reaches its next level:
// about two dozen frames a second where a frame every 16 ms would be 62.
TEST(CaretView, AFocusedIdleCaretRepaintsOnlyItsBoxAFewTimesASecond)
{
    FocusedBlinkFixture f;
    f.run(1000ms);
    const size_t frames = f.log.count(f.view.caretView());
    // The fade passes each level once out and once back, 1.4 s for both: the first second holds the
    // whole way out and most of the way back.
    EXPECT_GE(frames, size_t(CaretView::fadeLevels));
    EXPECT_LE(frames, size_t(CaretView::fadeLevels * 2));
    const QRect box = f.caret().geometry();
    for (const auto& [widget, region] : f.log.paints) {
        const QRect painted = widget == &f.view ? region.boundingRect() : region.boundingRect().translated(box.topLeft());
        EXPECT_TRUE(box.contains(painted)) << "painted " << painted.x() << "," << painted.y() << " "
                                           << painted.width() << "x" << painted.height();
    }
}

// A frame paints the rows under the caret from what it kept: the same pixels a full repaint shows,
// also after output has changed the cell under the caret.
TEST(CaretView, ABlinkFrameShowsWhatAFullRepaintShows)
{
    FocusedBlinkFixture f;
    const QRect box = f.caret().geometry();
    for (const std::string_view output : { "", "C\b" }) {
        SCOPED_TRACE(output.empty() ? "as first drawn" : "after output under the caret");
        f.feedAndPlace(output);
        f.run(300ms);
        const QImage frame = f.drawCaretBoxOnly();
        const QImage full = f.view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const double ratio = full.devicePixelRatio();
        const QRect pixels(box.topLeft() * ratio, box.size() * ratio);
        // Blending the faded caret over the two kinds of image may round one step apart.
        int worst = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); y++) {
            for (int x = pixels.left(); x <= pixels.right(); x++) {
                const QColor a = frame.pixelColor(x, y);
                const QColor b = full.pixelColor(x, y);
                worst = std::max({ worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                   std::abs(a.blue() - b.blue()) });
            }
        }
        EXPECT_LE(worst, 1);
    }
}

} // namespace
} // namespace zentrova
