#include "TerminalViewTestSupport.h"

#include "ZentrovaView/DictationOverlayTextView.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QImage>

namespace zentrova {
namespace {

TEST(TerminalViewLifecycle, ResizingTheViewTurnsOffTheSelection)
{
    TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(400, 300));
    view.show();
    auto selection = std::make_shared<CountingSelection>(view.terminal());
    view.setSelection(selection);
    const int cols = view.terminal().cols;
    // One pixel more keeps the grid; the selection goes all the same.
    view.resize(view.width() + 1, view.height());
    EXPECT_EQ(view.terminal().cols, cols);
    EXPECT_FALSE(selection->active());
    EXPECT_EQ(selection->cleared, 1);
}

// A full-screen program's state, which a soft reset after the resize would have thrown away.
TEST(TerminalViewLifecycle, ResizingTheTerminalLeavesTheProgramsModesAlone)
{
    struct Case {
        const char* name;
        int cols;
        int rows;
        bool marginsKept; // the buffer itself sets the margins to the new screen when the size changes
    };
    const Case cases[] = {
        { "same size", 20, 8, true },
        { "wider", 30, 8, false },
        { "taller and narrower", 15, 12, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalOptions options;
        options.cols = 20;
        options.rows = 8;
        TerminalView view(nullptr, testFont(), options);
        Terminal& terminal = view.terminal();
        terminal.feed(std::string_view("\x1b[?1049h\x1b[2;5r\x1b[?1h\x1b[?25l\x1b[4h\x1b[1;31m"));
        view.resizeTerminal(c.cols, c.rows);
        EXPECT_EQ(terminal.cols, c.cols);
        EXPECT_EQ(terminal.rows, c.rows);
        EXPECT_TRUE(terminal.isCurrentBufferAlternate());
        EXPECT_TRUE(terminal.applicationCursor) << "cursor-key mode";
        EXPECT_TRUE(terminal.cursorHidden);
        EXPECT_TRUE(terminal.buffer().insertMode);
        EXPECT_NE(terminal.currentAttribute(), CharData::Null.attribute()) << "the pen";
        if (c.marginsKept) {
            EXPECT_EQ(terminal.buffer().scrollTop(), 1);
            EXPECT_EQ(terminal.buffer().scrollBottom(), 4);
        }
    }
}

TEST(TerminalViewLifecycle, LinkPreviewFontFallsBackToTheSystemFontAtTwelvePoints)
{
    const QFont font = TerminalView::tryUrlFont();
    EXPECT_EQ(font.pointSizeF(), 12);
    const QStringList installed = QFontDatabase::families();
    QString expected = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    for (const char* family : { "Helvetica Neue", "Helvetica", "Optima" }) {
        if (installed.contains(QLatin1StringView(family), Qt::CaseInsensitive))
            expected = family;
    }
    EXPECT_EQ(font.family(), expected);
}

// Only the text's lines are filled; the terminal shows through everywhere else.
TEST(TerminalViewLifecycle, OverlayFillsOnlyTheLinesOfItsText)
{
    DictationOverlayTextView overlay;
    overlay.resize(200, 120);
    EXPECT_EQ(overlay.overlayBackgroundColor().alpha(), 0);
    overlay.setPlainText("compose");
    overlay.setTextColor(Qt::black);
    overlay.setOverlayBackgroundColor(Qt::red);
    overlay.show();

    const QImage image = overlay.grab().toImage();
    const QFontMetrics metrics(overlay.font());
    const int margin = int(overlay.document()->documentMargin());
    // Past the word but on its line, then well below the only line.
    const QPoint onTheLine(overlay.width() - 10, margin + metrics.height() / 2);
    const QPoint belowIt(overlay.width() / 2, overlay.height() - 10);
    EXPECT_EQ(image.pixelColor(onTheLine * image.devicePixelRatio()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(belowIt * image.devicePixelRatio()).alpha(), 0);

    overlay.setOverlayBackgroundColor(Qt::transparent);
    EXPECT_EQ(overlay.grab().toImage().pixelColor(onTheLine * image.devicePixelRatio()).alpha(), 0);
}

} // namespace
} // namespace zentrova
