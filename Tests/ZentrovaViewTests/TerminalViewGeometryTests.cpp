#include "TerminalViewTestSupport.h"

#include "ZentrovaView/ColorBridge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QScrollBar>

#include <cmath>

namespace zentrova {
namespace {

// A size of `cols` whole cells beside the scroll bar and `rows` whole cells, plus a part of one more
// cell each way that must not count.
QSize sizeForGrid(const TerminalView& view, int cols, int rows)
{
    const QSizeF cell = *view.cellDimension();
    return { int(std::ceil(cell.width() * (cols + 0.5))) + view.scrollerWidth(), int(std::ceil(cell.height() * (rows + 0.5))) };
}

TEST(TerminalViewConstruction, EmptyFrameGivesTheOptionsSizeAndTheDefaultColours)
{
    TerminalView view(nullptr, testFont());
    EXPECT_EQ(view.terminal().cols, 80);
    EXPECT_EQ(view.terminal().rows, 25);
    // The terminal reported its default colours while it was created, so setup could colour the
    // background with them.
    EXPECT_EQ(view.nativeForegroundColor(), makeQColor(Color::defaultForeground));
    EXPECT_EQ(view.nativeBackgroundColor(), makeQColor(Color::defaultBackground));
    EXPECT_EQ(view.palette().color(QPalette::Window), makeQColor(Color::defaultBackground));
    EXPECT_TRUE(view.autoFillBackground());
    EXPECT_TRUE(view.disableFullRedrawOnAnyChanges());
    EXPECT_EQ(view.font(), testFont());
}

TEST(TerminalViewConstruction, OptionsSizeIsKeptOnlyForAnEmptyFrame)
{
    TerminalOptions options;
    options.cols = 100;
    options.rows = 40;
    TerminalView sized(nullptr, testFont(), options);
    EXPECT_EQ(sized.terminal().getDims(), std::pair(100, 40));

    const QSize frame = sizeForGrid(sized, 30, 7);
    TerminalView framed(nullptr, testFont(), options, frame);
    EXPECT_EQ(framed.terminal().getDims(), std::pair(30, 7));
}

TEST(TerminalViewGeometry, CellSizeIsWholeDevicePixelsAndHonoursLineSpacing)
{
    TerminalView view(nullptr, testFont());
    const double ratio = view.devicePixelRatioF();
    ASSERT_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble()) << "the run's device-pixel ratio";
    const QFontMetricsF metrics(testFont());
    const double lineHeight = metrics.ascent() + metrics.descent() + metrics.leading();
    for (double spacing : { 1.0, 1.5 }) {
        SCOPED_TRACE("line spacing " + std::to_string(spacing) + " at ratio " + std::to_string(ratio));
        view.setLineSpacing(spacing);
        const QSizeF cell = *view.cellDimension();
        EXPECT_DOUBLE_EQ(cell.height(), std::ceil(std::ceil(lineHeight * spacing) * ratio) / ratio);
        EXPECT_DOUBLE_EQ(cell.width(), std::round(metrics.horizontalAdvance('W') * ratio) / ratio);
        // Whole device pixels: rows never start between two pixels.
        EXPECT_DOUBLE_EQ(cell.height() * ratio, std::round(cell.height() * ratio));
        EXPECT_DOUBLE_EQ(cell.width() * ratio, std::round(cell.width() * ratio));
        EXPECT_GE(cell.height(), lineHeight * spacing);
        const auto pixels = view.cellSizeInPixels(view.terminal());
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->first, int(std::lround(cell.width() * ratio)));
        EXPECT_EQ(pixels->second, int(std::lround(cell.height() * ratio)));
    }
}

TEST(TerminalViewGeometry, CellSizeReportsAreInDevicePixels)
{
    TerminalView view(nullptr, testFont());
    RecordingViewHost host;
    view.setTerminalDelegate(&host);
    const double ratio = view.devicePixelRatioF();
    const QSizeF cell = *view.cellDimension();
    const long width = std::lround(cell.width() * ratio);
    const long height = std::lround(cell.height() * ratio);
    feed(view, "\x1b[16t\x1b[14t");
    EXPECT_EQ(host.sent, "\x1b[6;" + std::to_string(height) + ";" + std::to_string(width) + "t\x1b[4;"
                  + std::to_string(height * 25) + ";" + std::to_string(width * 80) + "t");
}

TEST(TerminalViewGeometry, ColumnsAndRowsLeaveOutTheScrollBarAndPartialCells)
{
    TerminalView view(nullptr, testFont());
    const QSizeF cell = *view.cellDimension();
    const int bar = view.scrollerWidth();
    ASSERT_GT(bar, 0);
    struct Case {
        const char* name;
        QSizeF size;
        QSize grid;
    };
    const Case cases[] = {
        { "exact cells", { cell.width() * 20 + bar, cell.height() * 5 }, { 20, 5 } },
        { "a pixel short of a cell", { cell.width() * 20 + bar - 1, cell.height() * 5 - 1 }, { 19, 4 } },
        { "narrower than the bar", { bar - 1.0, cell.height() * 3 }, { 0, 3 } },
        { "empty", { 0, 0 }, { 0, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(view.gridSizeFor(c.size), c.grid);
    }
    view.scroller()->hide();
    EXPECT_EQ(view.gridSizeFor({ cell.width() * 20 + bar, cell.height() * 5 }).width(), 20 + int(bar / cell.width()));
}

TEST(TerminalViewGeometry, OptimalFrameCountsTheScrollBarOnlyWhileShown)
{
    TerminalView view(nullptr, testFont());
    const QSizeF cell = *view.cellDimension();
    EXPECT_EQ(view.getOptimalFrameSize(), QRect(0, 0, int(std::ceil(cell.width() * 80 + view.scrollerWidth())),
                                                int(std::ceil(cell.height() * 25))));
    view.scroller()->hide();
    EXPECT_EQ(view.getOptimalFrameSize().width(), int(std::ceil(cell.width() * 80)));
}

TEST(TerminalViewGeometry, ResizesReachTheTerminalAndHostButSubCellOnesDoNot)
{
    TerminalView view(nullptr, testFont());
    RecordingViewHost host;
    view.setTerminalDelegate(&host);
    auto selection = std::make_shared<CountingSelection>(view.terminal());
    view.setSelection(selection);
    const QSizeF cell = *view.cellDimension();
    const QSize frame = sizeForGrid(view, 40, 12);
    ASSERT_TRUE(view.processSizeChange(frame));
    EXPECT_EQ(view.terminal().getDims(), std::pair(40, 12));
    EXPECT_EQ(host.calls, (std::vector<std::string> { "size 40x12" }));
    EXPECT_EQ(selection->cleared, 1);

    selection->isActive = true;
    host.calls.clear();
    EXPECT_FALSE(view.processSizeChange(frame + QSize(int(cell.width() / 3), int(cell.height() / 3))));
    EXPECT_FALSE(view.processSizeChange({ 0, 0 }));
    EXPECT_EQ(view.terminal().getDims(), std::pair(40, 12));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(selection->cleared, 1);
    EXPECT_TRUE(selection->isActive);
}

TEST(TerminalViewGeometry, AShownViewFollowsItsWidgetSize)
{
    TerminalView view(nullptr, testFont());
    RecordingViewHost host;
    view.setTerminalDelegate(&host);
    view.resize(sizeForGrid(view, 33, 9));
    view.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(view.terminal().getDims(), std::pair(33, 9));
    EXPECT_EQ(host.calls, (std::vector<std::string> { "size 33x9" }));
    // The bar stands on the right edge, full height.
    EXPECT_EQ(view.scroller()->geometry(), QRect(view.width() - view.scrollerWidth(), 0, view.scrollerWidth(), view.height()));
}

TEST(TerminalViewGeometry, FontChangesMeasureAgainWithoutResettingTheProgram)
{
    TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(600, 400));
    // A full-screen program's state that a soft reset would throw away.
    feed(view, "\x1b[?1049h\x1b[?1h\x1b[?25l\x1b[1;31m\x1b[4h");
    // Made on the alternate screen: switching screens clears a selection too.
    auto selection = std::make_shared<CountingSelection>(view.terminal());
    view.setSelection(selection);
    QFont larger = testFont();
    larger.setPointSizeF(24);
    const QSizeF before = *view.cellDimension();
    view.setFont(larger);
    EXPECT_GT(view.cellDimension()->height(), before.height());
    EXPECT_EQ(view.terminal().getDims(), std::pair(view.gridSizeFor(view.size()).width(), view.gridSizeFor(view.size()).height()));
    EXPECT_EQ(selection->cleared, 1) << "setting the font clears the selection";
    Terminal& terminal = view.terminal();
    EXPECT_TRUE(terminal.isCurrentBufferAlternate());
    EXPECT_TRUE(terminal.insertMode);
    EXPECT_TRUE(terminal.applicationCursor);
    EXPECT_TRUE(terminal.cursorHidden);
    EXPECT_TRUE(terminal.currentAttribute().style.contains(CharacterStyle::bold));

    selection->isActive = true;
    view.resetFontSize();
    EXPECT_EQ(selection->cleared, 1) << "resetting the font size keeps the selection";
}

TEST(CellGeometry, RowsAndPointsMapBothWays)
{
    const CellGeometry cells(QSizeF(8, 17));
    struct Case {
        QPointF point;
        QPoint cell;
    };
    const Case cases[] = {
        { { 0, 0 }, { 0, 0 } },        { { 7.99, 16.99 }, { 0, 0 } }, { { 8, 17 }, { 1, 1 } },
        { { 80, 170.5 }, { 10, 10 } }, { { -0.5, -1 }, { -1, -1 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(cells.cellAt(c.point), c.cell) << c.point.x() << "," << c.point.y();
    // Row 0 is at the top; rows follow downwards.
    EXPECT_EQ(cells.rowTop(0), 0);
    EXPECT_EQ(cells.rowTop(3), 51);
    EXPECT_EQ(cells.rowBottom(3), 68);
    EXPECT_EQ(cells.cellRect(2, 3, 2), QRectF(16, 51, 16, 17));
    EXPECT_EQ(cells.rowsRect(1, 2, 100), QRectF(0, 17, 100, 34));
    EXPECT_EQ(cells.cellAt(cells.cellRect(5, 7).center()), QPoint(5, 7));
}

} // namespace
} // namespace zentrova
