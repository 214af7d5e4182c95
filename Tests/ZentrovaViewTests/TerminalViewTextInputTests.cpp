#include "TerminalViewTestSupport.h"

#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/DictationOverlayTextView.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <cmath>

namespace zentrova {
namespace {

const QColor background(0x10, 0x20, 0x30), foreground(0xe0, 0xd0, 0xc0);

// A 20 × 6 view in known colours whose cursor is placed by feeding it.
struct TextInputFixture {
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };
    RecordingViewHost host;

    TextInputFixture()
    {
        view.setTerminalDelegate(&host);
        view.setNativeBackgroundColor(background);
        view.setNativeForegroundColor(foreground);
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(std::ceil(cell.height() * 6)));
        view.terminal().resize(20, 6);
    }

    void feedAndPlace(std::string_view bytes)
    {
        feed(view, bytes);
        view.updateCursorPosition();
    }
    void select(Position start, Position end)
    {
        auto selection = std::make_shared<SelectionService>(view.terminal());
        selection->setSelection(start, end);
        view.setSelection(std::move(selection));
    }
    void preedit(const QString& text) { sendPreedit(view, text); }
    void commit(const QString& text) { sendCommit(view, text); }
    QVariant query(Qt::InputMethodQuery what) const { return static_cast<const QWidget&>(view).inputMethodQuery(what); }
    QRect caret() const { return view.caretView()->geometry(); }
    QSizeF cell() const { return *view.cellDimension(); }
};

TEST(TerminalViewTextInput, SelectedRangeIsTheSelectionOrTheCursor)
{
    struct Case {
        const char* name;
        std::optional<std::pair<Position, Position>> selection;
        TerminalView::TextRange range;
    };
    // The cursor ends on row 1, column 6 ("second"): index 1 × 20 + 6.
    const std::vector<Case> cases {
        { "no selection: the cursor", std::nullopt, { 26, 0 } },
        { "forward selection", std::pair { Position { 6, 0 }, Position { 3, 1 } }, { 6, 17 } },
        { "backward selection", std::pair { Position { 3, 1 }, Position { 6, 0 } }, { 6, 17 } },
        { "equal ends: the cursor", std::pair { Position { 4, 0 }, Position { 4, 0 } }, { 26, 0 } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        TextInputFixture f;
        f.feedAndPlace("hello world\r\nsecond");
        if (test.selection)
            f.select(test.selection->first, test.selection->second);
        EXPECT_EQ(f.view.selectedRange(), test.range);
        EXPECT_EQ(f.query(Qt::ImAnchorPosition).toInt(), test.range.location);
        EXPECT_EQ(f.query(Qt::ImCursorPosition).toInt(), test.range.location + test.range.length);
    }
}

TEST(TerminalViewTextInput, InputMethodQueriesDescribeTheCaret)
{
    TextInputFixture f;
    f.feedAndPlace("hello world\r\nsecond\x1b[3;4H");
    const QRectF caretCell = f.view.cellGeometry().cellRect(3, 2, 1);

    EXPECT_TRUE(f.query(Qt::ImEnabled).toBool());
    EXPECT_EQ(f.query(Qt::ImCursorRectangle).toRectF(), QRectF(caretCell.toAlignedRect()));
    EXPECT_EQ(f.query(Qt::ImFont).value<QFont>(), f.view.font());
    const auto hints = Qt::InputMethodHints(f.query(Qt::ImHints).toInt());
    EXPECT_TRUE(hints.testFlag(Qt::ImhNoAutoUppercase));
    EXPECT_TRUE(hints.testFlag(Qt::ImhNoPredictiveText));
    EXPECT_EQ(f.query(Qt::ImCurrentSelection).toString(), "");
    EXPECT_FALSE(f.query(Qt::ImSurroundingText).isValid()) << "the screen is no text to rewrite";

    f.select({ 6, 0 }, { 11, 0 });
    EXPECT_EQ(f.query(Qt::ImCurrentSelection).toString().trimmed(), "world");
    EXPECT_EQ(f.query(Qt::ImCursorRectangle).toRectF(), QRectF(caretCell.toAlignedRect()))
        << "the caret stays where the candidates open";
}

TEST(TerminalViewTextInput, PreeditIsShownAtTheCaretUntilCommitted)
{
    TextInputFixture f;
    f.feedAndPlace("$ ");
    f.preedit(QString::fromUtf8("にほ"));

    DictationOverlayTextView* overlay = f.view.markedTextOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->isVisibleTo(&f.view));
    EXPECT_EQ(overlay->toPlainText(), QString::fromUtf8("にほ"));
    EXPECT_EQ(overlay->geometry().top(), f.caret().top());
    EXPECT_EQ(overlay->geometry().left(), 4);
    EXPECT_EQ(overlay->geometry().height(), std::ceil(f.cell().height()));
    const QRect first = overlay->cursorRect(QTextCursor(overlay->document()));
    EXPECT_NEAR(overlay->x() + first.left(), f.caret().left(), 1) << "the text starts at the caret";
    EXPECT_EQ(overlay->overlayBackgroundColor(), background);
    const QTextCharFormat format = QTextCursor(overlay->document()).charFormat();
    EXPECT_EQ(format.foreground().color(), foreground);
    EXPECT_EQ(format.font().family(), f.view.font().family());
    EXPECT_EQ(f.host.sent, "") << "nothing goes to the program while composing";

    f.preedit(QString::fromUtf8("日本"));
    ASSERT_EQ(f.view.markedTextOverlay(), overlay) << "one overlay follows the composition";
    EXPECT_EQ(overlay->toPlainText(), QString::fromUtf8("日本"));

    f.commit(QString::fromUtf8("日本"));
    EXPECT_EQ(f.view.markedTextOverlay(), nullptr);
    EXPECT_EQ(f.host.sent, "日本");
}

TEST(TerminalViewTextInput, CancelledPreeditLeavesNothing)
{
    TextInputFixture f;
    f.preedit("ka");
    ASSERT_NE(f.view.markedTextOverlay(), nullptr);
    f.preedit("");
    EXPECT_EQ(f.view.markedTextOverlay(), nullptr);
    EXPECT_FALSE(f.view.hasMarkedText());
    EXPECT_EQ(f.host.sent, "");
}

TEST(TerminalViewTextInput, LongPreeditWrapsBackToTheLeftEdge)
{
    TextInputFixture f;
    f.feedAndPlace("\x1b[2;11H");
    f.preedit(QString(18, 'x'));

    DictationOverlayTextView* overlay = f.view.markedTextOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->geometry().top(), f.caret().top());
    EXPECT_EQ(overlay->geometry().height(), std::ceil(2 * f.cell().height())) << "two rows of cells";
    const QTextLayout* layout = overlay->document()->begin().layout();
    ASSERT_EQ(layout->lineCount(), 2);
    EXPECT_NEAR(overlay->x() + layout->lineAt(0).x(), f.caret().left(), 1);
    EXPECT_EQ(layout->lineAt(1).x(), 0);
}

} // namespace
} // namespace zentrova
