#include "TerminalViewTestSupport.h"

#include "Support/ManualMainQueue.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <cmath>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

// A 20 × 6 view whose redraws run on a manual clock.
struct ScreenFixture {
    ManualMainQueue queue;
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };

    ScreenFixture()
    {
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(cell.height() * 6.5));
        view.terminal().resize(20, 6);
        view.setDisplayQueue(queue);
        queue.advance(1s);
    }

    QAccessibleInterface* accessible() { return QAccessible::queryAccessibleInterface(&view); }
    QAccessibleTextInterface* text() { return accessible()->textInterface(); }
    SelectionService& selection()
    {
        if (!view.selection())
            view.setSelection(std::make_shared<SelectionService>(view.terminal()));
        return *view.selection();
    }
};

// What an assistive technology was told, one line per event.
std::vector<std::string> heard;

void recordEvent(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TextUpdated) {
        const auto* update = static_cast<QAccessibleTextUpdateEvent*>(event);
        heard.push_back("text at " + std::to_string(update->changePosition()) + " -\"" + update->textRemoved().toStdString()
                        + "\" +\"" + update->textInserted().toStdString() + "\"");
    } else if (event->type() == QAccessible::TextSelectionChanged) {
        const auto* selection = static_cast<QAccessibleTextSelectionEvent*>(event);
        heard.push_back("selection " + std::to_string(selection->selectionStart()) + "-"
                        + std::to_string(selection->selectionEnd()));
    }
}

void setListening(bool listening)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(listening);
}

// Listens as an assistive technology would, for the length of a test: the platform's accessibility
// is switched on as a screen reader's arrival does, and the events go to `heard`.
struct Listening {
    QAccessible::UpdateHandler previous;
    Listening()
        : previous(QAccessible::installUpdateHandler(recordEvent))
    {
        heard.clear();
        setListening(true);
    }
    ~Listening()
    {
        setListening(false);
        QAccessible::installUpdateHandler(previous);
    }
};

TEST(TerminalViewAccessibility, ReadsTheRowsOnScreenWithCaretAndSelection)
{
    ScreenFixture f;
    f.view.feed("ls\r\nfile\xe4\xb8\xad x");
    f.queue.advance(1s);

    QAccessibleInterface* accessible = f.accessible();
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Terminal);
    QAccessibleTextInterface* text = f.text();
    ASSERT_NE(text, nullptr);
    // Rows lose their trailing blanks; the wide character is one character; the cursor stands after
    // the last character of the second row.
    EXPECT_EQ(accessible->text(QAccessible::Value), QString::fromUtf8("ls\nfile\xe4\xb8\xad x\n\n\n\n"));
    EXPECT_EQ(text->characterCount(), 14);
    EXPECT_EQ(text->cursorPosition(), 10);

    // Both halves of the wide character are its offset, and the character's rectangle is its cell's.
    const CellGeometry geometry = f.view.cellGeometry();
    const QPoint rightHalf = f.view.mapToGlobal(geometry.cellRect(5, 1).center().toPoint());
    EXPECT_EQ(text->offsetAtPoint(rightHalf), 7);
    EXPECT_EQ(text->characterRect(9).topLeft(), f.view.mapToGlobal(geometry.cellRect(7, 1).toAlignedRect().topLeft()));

    f.selection().setSelection({ 1, 1 }, { 6, 1 });
    ASSERT_EQ(text->selectionCount(), 1);
    int start = 0, end = 0;
    text->selection(0, &start, &end);
    EXPECT_EQ(text->text(start, end), QString::fromUtf8("ile\xe4\xb8\xad"));

    // A screen reader that selects makes the view's selection.
    text->setSelection(0, 0, 2);
    EXPECT_EQ(f.view.selection()->getSelectedText(), "ls");
    text->removeSelection(0);
    EXPECT_FALSE(f.view.selection()->active());
    EXPECT_EQ(text->selectionCount(), 0);
}

TEST(TerminalViewAccessibility, ScrolledBackTheTextIsWhatShowsAndTheCaretIsGone)
{
    ScreenFixture f;
    for (int line = 0; line < 20; line++)
        f.view.feed("line " + std::to_string(line) + "\r\n");
    f.queue.advance(1s);
    f.view.scrollTo(0);

    QAccessibleTextInterface* text = f.text();
    EXPECT_TRUE(f.accessible()->text(QAccessible::Value).startsWith("line 0\nline 1\n"));
    EXPECT_EQ(text->cursorPosition(), -1);

    // A selection reaching below the screen is cut at its last row.
    f.selection().setSelection({ 0, 2 }, { 3, 12 });
    int start = 0, end = 0;
    text->selection(0, &start, &end);
    EXPECT_EQ(text->text(start, end), "line 2\nline 3\nline 4\nline 5");
}

TEST(TerminalViewAccessibility, EachRedrawTellsWhatChangedOnceAndSelectionsAreTold)
{
    ScreenFixture f;
    Listening listening;

    f.view.feed("ls");
    f.queue.advance(1s);
    EXPECT_EQ(heard, std::vector<std::string> { "text at 0 -\"\" +\"ls\n\n\n\n\n\"" });

    // Output within one frame is told as one change.
    heard.clear();
    for (int i = 0; i < 10; i++)
        f.view.feed(i % 2 ? "b" : "a");
    f.queue.advance(1s);
    EXPECT_EQ(heard, std::vector<std::string> { "text at 2 -\"\" +\"ababababab\"" });

    // The cursor moving over unchanged text tells nothing.
    heard.clear();
    f.view.feed("\x1b[H");
    f.queue.advance(1s);
    EXPECT_TRUE(heard.empty());

    f.selection().setSelection({ 0, 0 }, { 2, 0 });
    f.selection().selectNone();
    EXPECT_EQ(heard, (std::vector<std::string> { "selection 0-2", "selection -1--1" }));
}

} // namespace
} // namespace zentrova
