#include "ZentrovaTests/Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Text/SelectionService.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zentrova {
namespace {

class SelectionCountingDelegate : public TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override { }
    void selectionChanged(Terminal&) override { changes++; }

    int changes = 0;
};

struct SelectionFixture : testing::Test {
    // Start and end as (col, row) pairs, in the order the service keeps them.
    std::pair<Position, Position> ends() const { return { selection->start(), selection->end() }; }

    SelectionCountingDelegate delegate;
    Terminal terminal { &delegate, screenSize(20, 6) };
    std::shared_ptr<SelectionService> selection = std::make_shared<SelectionService>(terminal);
};

TEST_F(SelectionFixture, DoubleClickSelectsAWordARunOrABracketedExpression)
{
    struct Case {
        const char* name;
        const char* text;
        int col;
        int startCol;
        int endCol;
    };
    const Case cases[] = {
        { "token of letters, digits, dots, underscores and hyphens", "x foo.bar_b4z-1 y", 7, 2, 15 },
        { "its first cell", "x foo.bar_b4z-1 y", 2, 2, 15 },
        { "accented and wide letters", "\xC3\xA9t\xC3\xA9 \xE6\xBC\xA2\xE5\xAD\x97 y", 5, 4, 8 },
        { "run of spaces", "ab   cd", 3, 2, 5 },
        { "unwritten cells after the text", "ab", 8, 2, 20 },
        { "a lone dot selects nothing", "a . b", 2, 2, 2 },
        { "a hyphen between words selects nothing", "a-b c - d", 6, 6, 6 },
        { "other punctuation selects nothing", "a , b", 2, 2, 2 },
        { "opening bracket around nested brackets", "x (a [b] {c}) y", 2, 2, 13 },
        { "its partner", "x (a [b] {c}) y", 12, 2, 13 },
        { "inner brackets", "x (a [b] {c}) y", 5, 5, 8 },
        { "unmatched opening bracket", "x (a [b] y", 2, 2, 2 },
        { "unmatched closing bracket", "x a] y", 3, 3, 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        terminal.feed(c.text);
        selection->selectWordOrExpression({ c.col, 0 }, terminal.buffer());
        EXPECT_EQ(ends(), std::pair(Position { c.startCol, 0 }, Position { c.endCol, 0 }));
        EXPECT_TRUE(selection->active());
        EXPECT_EQ(selection->selectionMode(), SelectionService::SelectionMode::word);
        EXPECT_EQ(selection->wordSelectionAnchor(), SelectionService::WordAnchor(selection->start(), selection->end()));
    }
}

TEST_F(SelectionFixture, BracketsPairAcrossRowsUpToTheBottomOfTheScreen)
{
    terminal.feed("a (b\r\nc) d");
    selection->selectWordOrExpression({ 2, 0 }, terminal.buffer());
    EXPECT_EQ(ends(), std::pair(Position { 2, 0 }, Position { 2, 1 }));
    EXPECT_EQ(selection->getSelectedText(), "(b\nc)");
    selection->selectWordOrExpression({ 1, 1 }, terminal.buffer());
    EXPECT_EQ(ends(), std::pair(Position { 2, 0 }, Position { 2, 1 }));
}

TEST_F(SelectionFixture, TripleClickThenDragSelectsWholeRows)
{
    terminal.feed("one\r\ntwo\r\nthree\r\nfour");
    selection->select(1);
    EXPECT_EQ(ends(), std::pair(Position { 0, 1 }, Position { 19, 1 }));
    selection->dragExtend(Position { 4, 3 });
    EXPECT_EQ(ends(), std::pair(Position { 0, 1 }, Position { 19, 3 }));
    EXPECT_TRUE(selection->selectingRows());
    // Back above the anchor row.
    selection->dragExtend(Position { 2, 0 });
    EXPECT_EQ(ends(), std::pair(Position { 0, 0 }, Position { 19, 1 }));
    selection->shiftExtend(Position { 0, 2 });
    EXPECT_EQ(ends(), std::pair(Position { 0, 1 }, Position { 19, 2 }));
}

TEST_F(SelectionFixture, WholeRowsCopyTheirLastColumn)
{
    terminal.feed("abcdefghijklmnopqrst\r\nuvw");
    selection->select(0);
    EXPECT_EQ(selection->getSelectedText(), "abcdefghijklmnopqrst");
    selection->dragExtend(Position { 0, 1 });
    EXPECT_EQ(selection->getSelectedText(), "abcdefghijklmnopqrst\nuvw");
}

TEST_F(SelectionFixture, WordDragsExtendByWholeWords)
{
    terminal.feed("alpha beta gamma");
    selection->selectWordOrExpression({ 7, 0 }, terminal.buffer());
    // Into the previous word: from its start to the end of the first word.
    selection->dragExtend(Position { 2, 0 });
    EXPECT_EQ(ends(), std::pair(Position { 0, 0 }, Position { 10, 0 }));
    // Inside the first word: exactly that word.
    selection->dragExtend(Position { 8, 0 });
    EXPECT_EQ(ends(), std::pair(Position { 6, 0 }, Position { 10, 0 }));
    // Into the next word: to its end.
    selection->dragExtend(Position { 12, 0 });
    EXPECT_EQ(ends(), std::pair(Position { 6, 0 }, Position { 16, 0 }));
    EXPECT_EQ(selection->getSelectedText(), "beta gamma");
}

TEST_F(SelectionFixture, ShiftClickKeepsTheFarEnd)
{
    terminal.feed("abcdefghij");
    selection->startSelection(0, 5);
    selection->dragExtend(0, 8);
    selection->shiftExtend(0, 2);
    EXPECT_EQ(ends(), std::pair(Position { 8, 0 }, Position { 2, 0 }));
    EXPECT_EQ(selection->getSelectedText(), "cdefgh");
    // Past the other end: the end that is now far stays.
    selection->shiftExtend(0, 9);
    EXPECT_EQ(ends(), std::pair(Position { 2, 0 }, Position { 9, 0 }));
}

TEST_F(SelectionFixture, PivotExtensionRunsFromThePivot)
{
    terminal.feed("abcdefghij");
    selection->setPivot(Position { 6, 0 });
    selection->pivotExtend(0, 2);
    EXPECT_EQ(ends(), std::pair(Position { 2, 0 }, Position { 6, 0 }));
    selection->pivotExtend(0, 6);
    EXPECT_FALSE(selection->hasSelectionRange());
    selection->selectNone();
    EXPECT_EQ(selection->pivot(), std::nullopt);
    selection->pivotExtend(0, 9);
    EXPECT_FALSE(selection->active());
}

TEST_F(SelectionFixture, InPlaceScrollsMoveOrClearTheSelection)
{
    Terminal terminal { &delegate, screenSize(80, 24) };
    SelectionService selection { terminal };
    struct Case {
        const char* name;
        int startRow;
        int endRow;
        std::optional<std::pair<int, int>> expectedRows;
    };
    const Case cases[] = {
        { "inside the band", 5, 6, std::pair(4, 5) },
        { "on the band's first row", 0, 0, std::nullopt },
        { "straddling the band's edge", 23, 30, std::nullopt },
        { "below the band", 25, 26, std::pair(25, 26) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        selection.setSoftStart({ 3, c.startRow });
        selection.dragExtend(Position { 7, c.endRow });
        selection.adjustForInPlaceScroll(0, 23, 1);
        if (c.expectedRows) {
            EXPECT_TRUE(selection.active());
            EXPECT_EQ(selection.start(), (Position { 3, c.expectedRows->first }));
            EXPECT_EQ(selection.end(), (Position { 7, c.expectedRows->second }));
        } else {
            EXPECT_FALSE(selection.active());
        }
    }
}

TEST_F(SelectionFixture, TheTerminalMovesARegisteredSelectionWithItsText)
{
    terminal.registerSelection(selection);
    terminal.feed("r0\r\nr1\r\nr2\r\nr3");
    selection->select(2);
    ASSERT_EQ(selection->getSelectedText(), "r2");
    // A scroll region of rows 1-4 scrolled up by one line, in place.
    terminal.feed("\x1b[2;5r\x1b[5;1H\n");
    EXPECT_EQ(ends(), std::pair(Position { 0, 1 }, Position { 19, 1 }));
    EXPECT_EQ(selection->getSelectedText(), "r2");
    EXPECT_EQ(selection->rowSelectionAnchor(), 1);
}

TEST_F(SelectionFixture, SelectAllEndsOnTheLastStoredLineAndCopiesEverything)
{
    for (int i = 0; i < 10; i++)
        terminal.feed("line " + std::to_string(i) + "\r\n");
    terminal.feed("last");
    const int lines = terminal.buffer().lines().count();
    selection->selectAll();
    EXPECT_EQ(ends(), std::pair(Position { 0, 0 }, Position { 19, lines - 1 }));
    EXPECT_EQ(selection->getSelectedText(),
              "line 0\nline 1\nline 2\nline 3\nline 4\nline 5\nline 6\nline 7\nline 8\nline 9\nlast");
}

TEST_F(SelectionFixture, EqualEndsGiveNoText)
{
    terminal.feed("abc");
    selection->setSoftStart({ 1, 0 });
    EXPECT_EQ(selection->getSelectedText(), "");
    selection->setSelection({ 1, 0 }, { 1, 0 });
    EXPECT_EQ(selection->getSelectedText(), "");
}

TEST_F(SelectionFixture, FoundRangesAreClampedIntoTheBuffer)
{
    selection->setSelection({ 40, -3 }, { 25, 99 });
    EXPECT_EQ(ends(), std::pair(Position { 19, 0 }, Position { 19, terminal.buffer().lines().count() - 1 }));
    EXPECT_TRUE(selection->active());
}

TEST_F(SelectionFixture, VisibleChangesAreToldToTheDelegate)
{
    selection->setSoftStart({ 1, 0 });
    EXPECT_EQ(delegate.changes, 1);
    selection->dragExtend(Position { 4, 0 });
    EXPECT_EQ(delegate.changes, 2);
    selection->selectNone();
    EXPECT_EQ(delegate.changes, 3);
    EXPECT_FALSE(selection->active());
    // Nothing to clear: nothing to tell.
    selection->selectNone();
    EXPECT_EQ(delegate.changes, 3);
}

TEST_F(SelectionFixture, ScreenRowsCountFromTheTopDisplayedRow)
{
    for (int i = 0; i < 10; i++)
        terminal.feed("line " + std::to_string(i) + "\r\n");
    const int top = terminal.buffer().yDisp();
    ASSERT_GT(top, 0);
    selection->startSelection(0, 0);
    selection->dragExtend(0, 6);
    EXPECT_EQ(ends(), std::pair(Position { 0, top }, Position { 6, top }));
    EXPECT_EQ(selection->getSelectedText(), "line " + std::to_string(top));
}

} // namespace
} // namespace zentrova
