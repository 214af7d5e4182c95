#include "TerminalViewTestSupport.h"

#include "ZentrovaView/FindPasteboard.h"
#include "ZentrovaView/TerminalFindBarView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <cmath>

namespace zentrova {
namespace {

// A 20 × 6 view.
struct FindFixture {
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };

    FindFixture()
    {
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(std::ceil(cell.height() * 6)));
        view.terminal().resize(20, 6);
    }
    // Buffer rows "row 01" to "row <count>", the last one without a line feed.
    void feedRows(int count)
    {
        std::string text;
        for (int row = 1; row <= count; ++row)
            text += (row < 10 ? "row 0" : "row ") + std::to_string(row) + (row < count ? "\r\n" : "");
        feed(view, text);
    }
    // The selection as (start col, start row) - (end col, end row); "none" when inactive.
    std::string selected() const
    {
        const auto& selection = view.selection();
        if (!selection || !selection->active())
            return "none";
        const Position start = selection->start();
        const Position end = selection->end();
        return std::to_string(start.col) + "," + std::to_string(start.row) + "-" + std::to_string(end.col) + ","
            + std::to_string(end.row);
    }
    int yDisp() { return view.terminal().buffer().yDisp(); }
};

TEST(TerminalViewFind, NextAndPreviousSelectEachMatchAndWrapAround)
{
    FindFixture fixture;
    feed(fixture.view, "cat dog cat\r\nbird cat");
    struct Step {
        bool forward;
        std::string selected;
    };
    const std::vector<Step> steps {
        { true, "0,0-3,0" }, { true, "8,0-11,0" }, { true, "5,1-8,1" },
        { true, "0,0-3,0" }, // past the last match: back to the top
        { false, "5,1-8,1" }, // before the first: back to the bottom
        { false, "8,0-11,0" },
    };
    for (size_t index = 0; index < steps.size(); ++index) {
        SCOPED_TRACE(index);
        const bool found = steps[index].forward ? fixture.view.findNext("cat", {}) : fixture.view.findPrevious("cat", {});
        EXPECT_TRUE(found);
        EXPECT_EQ(fixture.selected(), steps[index].selected);
    }
}

TEST(TerminalViewFind, AMatchAcrossAWrapSelectsBothRows)
{
    FindFixture fixture;
    // "needle" starts four cells before the right edge and goes on in the wrapped row.
    feed(fixture.view, std::string(16, '.') + "needle");
    ASSERT_TRUE(fixture.view.findNext("NEEDLE", {}));
    EXPECT_EQ(fixture.selected(), "16,0-2,1");
    fixture.view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "needle");
}

TEST(TerminalViewFind, ATermThatDoesNotOccurClearsTheSelection)
{
    FindFixture fixture;
    feed(fixture.view, "alpha beta");
    ASSERT_TRUE(fixture.view.findNext("beta", {}));
    EXPECT_FALSE(fixture.view.findNext("gamma", {}));
    EXPECT_EQ(fixture.selected(), "none");
    EXPECT_FALSE(fixture.view.findNext("(", { .regex = true })) << "a pattern that does not compile";
}

TEST(TerminalViewFind, AMatchInTheScrollbackIsScrolledToTheMiddle)
{
    FindFixture fixture;
    fixture.feedRows(40);
    ASSERT_EQ(fixture.yDisp(), 34);
    ASSERT_TRUE(fixture.view.findNext("row 05", {}));
    EXPECT_EQ(fixture.selected(), "0,4-6,4");
    EXPECT_EQ(fixture.yDisp(), 4 - 6 / 2) << "the match stands in the middle of the screen";

    ASSERT_TRUE(fixture.view.findNext("row 07", {}));
    EXPECT_EQ(fixture.yDisp(), 1) << "a match already on the screen does not scroll it";

    ASSERT_TRUE(fixture.view.findNext("row 01", {}));
    EXPECT_EQ(fixture.yDisp(), 0) << "the top is as far as it goes";
    ASSERT_TRUE(fixture.view.findPrevious("row 40", {}));
    EXPECT_EQ(fixture.yDisp(), 34) << "nor past the bottom";
}

TEST(TerminalViewFind, NewOutputIsSearchedAtOnce)
{
    FindFixture fixture;
    fixture.view.feed("old text");
    ASSERT_TRUE(fixture.view.findNext("old", {}));
    // Same number of lines, new text: the line texts read for the first find are stale.
    fixture.view.feed("\r\x1b[2Knew text");
    EXPECT_TRUE(fixture.view.findNext("new", {}));
    EXPECT_EQ(fixture.selected(), "0,0-3,0");
}

TEST(TerminalViewFind, AFullResetDropsTheSelection)
{
    FindFixture fixture;
    // Output alone would clear it otherwise.
    fixture.view.setAllowMouseReporting(false);
    fixture.view.feed("some text");
    ASSERT_TRUE(fixture.view.findNext("text", {}));
    fixture.view.feed("\x1b" "c");
    EXPECT_EQ(fixture.selected(), "none");
    EXPECT_FALSE(fixture.view.findNext("text", {}));
}

TEST(TerminalViewFind, ClearSearchForgetsTheTermAndTheSelection)
{
    FindFixture fixture;
    feed(fixture.view, "one two one");
    ASSERT_TRUE(fixture.view.findNext("one", {}));
    ASSERT_TRUE(fixture.view.findNext("one", {}));
    EXPECT_EQ(fixture.selected(), "8,0-11,0");
    fixture.view.clearSearch();
    EXPECT_EQ(fixture.selected(), "none");
    ASSERT_TRUE(fixture.view.findNext("one", {}));
    EXPECT_EQ(fixture.selected(), "0,0-3,0") << "a cleared search starts again from the top";
}

TEST(TerminalViewFind, TheSummaryCountsMatchesAndPlacesTheCurrentOne)
{
    FindFixture fixture;
    feed(fixture.view, "ab ab ab\r\nab ab");
    EXPECT_EQ(fixture.view.searchMatchSummary("ab", {}, 100), std::pair(0, 5)) << "no current match yet";
    for (int step = 0; step < 3; ++step)
        ASSERT_TRUE(fixture.view.findNext("ab", {}));
    EXPECT_EQ(fixture.view.searchMatchSummary("ab", {}, 100), std::pair(3, 5));
    EXPECT_EQ(fixture.view.searchMatchSummary("ab", {}, 2), std::pair(0, 2)) << "the third lies past the limit";
}

// A shown view with its find bar open, the field focused.
struct FindBarFixture : FindFixture {
    FindBarFixture()
    {
        view.resize(800, view.height());
        view.show();
        view.activateWindow();
        FindPasteboard::setString({});
        view.showFindBar(false);
        bar = view.findBar();
    }
    bool waitForFocus(QWidget* widget)
    {
        return QTest::qWaitFor([widget] { return QApplication::focusWidget() == widget; }, 2000);
    }
    QLineEdit* field() const { return bar->searchField(); }

    TerminalFindBarView* bar = nullptr;
};

TEST(TerminalViewFindBar, SitsInTheTopRightCorner)
{
    FindBarFixture fixture;
    ASSERT_NE(fixture.bar, nullptr);
    EXPECT_TRUE(fixture.bar->isVisible());
    const QRect frame = fixture.bar->geometry();
    EXPECT_EQ(frame.top(), 8);
    EXPECT_EQ(frame.right() + 1, fixture.view.width() - 8);
    EXPECT_LE(frame.width(), 520);
    EXPECT_EQ(fixture.field()->placeholderText(), "Find");
    EXPECT_EQ(fixture.bar->previousButton()->toolTip(), "Previous");
    EXPECT_EQ(fixture.bar->nextButton()->toolTip(), "Next");
    EXPECT_EQ(fixture.bar->closeButton()->toolTip(), "Close");
    EXPECT_EQ(fixture.bar->wholeWordButton()->text(), "Word");

    fixture.view.resize(400, fixture.view.height());
    EXPECT_EQ(fixture.bar->geometry().left(), 8) << "a narrow view keeps the bar inside";
    EXPECT_EQ(fixture.bar->geometry().right() + 1, 400 - 8);
    EXPECT_LE(fixture.field()->geometry().right(), fixture.bar->previousButton()->geometry().left())
        << "the field gives way to the buttons";
    EXPECT_LE(fixture.bar->wholeWordButton()->geometry().right(), fixture.bar->closeButton()->geometry().left());
}

TEST(TerminalViewFindBar, TypingSearchesAndReturnStepsThroughTheMatches)
{
    FindBarFixture fixture;
    feed(fixture.view, "cat dog cat\r\nbird cat");
    ASSERT_TRUE(fixture.waitForFocus(fixture.field()));
    QTest::keyClicks(fixture.field(), "ca");
    EXPECT_EQ(fixture.selected(), "0,0-2,0");
    QTest::keyClicks(fixture.field(), "t");
    EXPECT_EQ(fixture.selected(), "0,0-3,0") << "a longer term still matches in place";
    EXPECT_EQ(fixture.view.findBarTerm(), "cat");
    EXPECT_EQ(FindPasteboard::string(), "cat");

    QTest::keyClick(fixture.field(), Qt::Key_Return);
    EXPECT_EQ(fixture.selected(), "8,0-11,0");
    QTest::keyClick(fixture.field(), Qt::Key_Return);
    EXPECT_EQ(fixture.selected(), "5,1-8,1");
    QTest::keyClick(fixture.field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(fixture.selected(), "8,0-11,0");
    fixture.bar->previousButton()->click();
    EXPECT_EQ(fixture.selected(), "0,0-3,0");

    QTest::keyClick(fixture.field(), Qt::Key_Escape);
    EXPECT_FALSE(fixture.bar->isVisible());
    EXPECT_TRUE(fixture.waitForFocus(&fixture.view)) << "the terminal has the focus back";
    EXPECT_EQ(fixture.selected(), "0,0-3,0") << "the match stays selected";
}

TEST(TerminalViewFindBar, ClearingTheFieldClearsTheSearchAndTheSelection)
{
    FindBarFixture fixture;
    feed(fixture.view, "one two one");
    ASSERT_TRUE(fixture.waitForFocus(fixture.field()));
    QTest::keyClicks(fixture.field(), "one");
    QTest::keyClick(fixture.field(), Qt::Key_Return);
    EXPECT_EQ(fixture.selected(), "8,0-11,0");
    fixture.field()->selectAll();
    QTest::keyClick(fixture.field(), Qt::Key_Backspace);
    EXPECT_EQ(fixture.selected(), "none");
    EXPECT_EQ(fixture.view.findBarTerm(), "");
}

TEST(TerminalViewFindBar, AToggleSearchesAgainWithTheNewOptions)
{
    FindBarFixture fixture;
    feed(fixture.view, "cat Cat concat cat");
    ASSERT_TRUE(fixture.waitForFocus(fixture.field()));
    QTest::keyClicks(fixture.field(), "Cat");
    EXPECT_EQ(fixture.selected(), "0,0-3,0") << "case-insensitive unless asked";
    fixture.bar->caseSensitiveButton()->click();
    EXPECT_TRUE(fixture.view.findBarOptions().caseSensitive);
    EXPECT_EQ(fixture.selected(), "4,0-7,0");

    fixture.bar->caseSensitiveButton()->click();
    EXPECT_EQ(fixture.selected(), "11,0-14,0") << "any case, on from the current match";
    fixture.bar->wholeWordButton()->click();
    EXPECT_EQ(fixture.selected(), "15,0-18,0");
    QTest::keyClick(fixture.field(), Qt::Key_Return);
    EXPECT_EQ(fixture.selected(), "0,0-3,0");
    QTest::keyClick(fixture.field(), Qt::Key_Return);
    QTest::keyClick(fixture.field(), Qt::Key_Return);
    EXPECT_EQ(fixture.selected(), "15,0-18,0") << "the cat inside concat is no word";
}

} // namespace
} // namespace zentrova
