// Row layouts of right-to-left text on a real terminal: the visual order and the column maps,
// mirroring and shaping in the layout, paragraph bounds and state, explicit mode, and the widening
// of changed rows to paragraphs.

#include "Engine/RecordingTerminalDelegate.h"
#include "Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Text/TerminalBidi.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace zentrova {
namespace {

constexpr auto ltr = BidiDirection::leftToRight;
constexpr auto rtl = BidiDirection::rightToLeft;
constexpr uint64_t font = 1;

using Columns = std::vector<int>;

struct BidiLayoutFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    std::unique_ptr<Terminal> terminal;

    void start(BidiPresentationState state = BidiPresentationState::Default, int cols = 10, int rows = 5)
    {
        TerminalOptions options = screenSize(cols, rows);
        options.initialBidiState = state;
        terminal = std::make_unique<Terminal>(&delegate, options);
    }

    TerminalBidi::SharedParagraphResult paragraph(int row)
    {
        return TerminalBidi::paragraphResult(row, terminal->buffer(), terminal->cols, *terminal, font);
    }

    // The layout of a row; fails the test when there is none.
    BidiRowLayout layout(int row)
    {
        const auto result = paragraph(row);
        if (!result || result->rows.count(row) == 0) {
            ADD_FAILURE() << "row " << row << " has no layout";
            return {};
        }
        return result->rows.at(row);
    }
};

BidiPresentationState fallback(BidiDirection direction, bool autodetect = false)
{
    BidiPresentationState state;
    state.autodetectDirection = autodetect;
    state.fallbackDirection = direction;
    return state;
}

// The replacement of the cell standing at each visual column that has one ("" where none).
std::vector<std::u32string> displays(const BidiRowLayout& layout)
{
    std::vector<std::u32string> shown;
    for (const BidiCell& cell : layout.visualCells)
        shown.push_back(cell.display.value_or(U""));
    return shown;
}

TEST_F(BidiLayoutFixture, OrdersRowsByTheirDirection)
{
    struct Case {
        const char* name;
        BidiPresentationState state;
        const char* text;
        Columns visualToLogical; // empty: the row is drawn in logical order
        BidiDirection base;
    };
    const Case cases[] = {
        { "Latin, left-to-right fallback", BidiPresentationState::Default, "abc", {}, ltr },
        // The blank tail stands on the left; the Latin run keeps its own order.
        { "Latin, right-to-left fallback", fallback(rtl), "abc", { 9, 8, 7, 6, 5, 4, 3, 0, 1, 2 }, rtl },
        // Detection finds a Latin letter first and overrides the fallback.
        { "Latin, detected", fallback(rtl, true), "abc", {}, ltr },
        { "Hebrew, detected", BidiPresentationState::Default, "\u05D0\u05D1\u05D2", { 9, 8, 7, 6, 5, 4, 3, 2, 1, 0 },
          rtl },
        // Digits keep their order inside right-to-left text.
        { "Hebrew and digits", BidiPresentationState::Default, "\u05D0\u05D1 12", { 9, 8, 7, 6, 5, 3, 4, 2, 1, 0 },
          rtl },
        // A Hebrew word inside a left-to-right line turns round in place; the tail stays right.
        { "Hebrew inside Latin", BidiPresentationState::Default, "ab \u05D0\u05D1 c", { 0, 1, 2, 4, 3, 5, 6, 7, 8, 9 },
          ltr },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        start(test.state);
        terminal->feed(test.text);
        EXPECT_FALSE(TerminalBidi::paragraphResult(0, terminal->buffer(), 0, *terminal, font));
        const auto result = paragraph(0);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->baseDirection, test.base);
        if (test.visualToLogical.empty()) {
            EXPECT_TRUE(result->rows.empty());
            continue;
        }
        const BidiRowLayout row = layout(0);
        EXPECT_EQ(row.visualToLogicalCol, test.visualToLogical);
        EXPECT_EQ(row.baseDirection, test.base);
        EXPECT_EQ(row.visualCells.size(), 10u);
        // The two maps are inverse for single-width cells.
        for (int visual = 0; visual < 10; visual++)
            EXPECT_EQ(row.logicalToVisualCol[size_t(row.visualToLogicalCol[size_t(visual)])], visual);
    }
}

TEST_F(BidiLayoutFixture, WideRightToLeftCellCoversTwoVisualColumns)
{
    start();
    BufferLine& row = terminal->buffer().line(0);
    const Attribute plain = CharData::Null.attribute();
    row.setCell(0, CharData(plain, 0x05D0, 2));
    row.setCell(1, CharData(plain, 0, 0));
    row.setCell(2, CharData(plain, 0x05D1, 1));
    const BidiRowLayout laid = layout(0);
    EXPECT_EQ(laid.visualToLogicalCol, (Columns { 9, 8, 7, 6, 5, 4, 3, 2, 0, 0 }));
    EXPECT_EQ(laid.logicalToVisualCol[0], 8);
    EXPECT_EQ(laid.logicalToVisualCol[1], 9);
    EXPECT_EQ(laid.logicalToVisualCol[2], 7);
    ASSERT_EQ(laid.visualCells.size(), 9u);
    EXPECT_EQ(laid.visualCells.back(), (BidiCell { 0, 2, std::nullopt }));
}

TEST_F(BidiLayoutFixture, MirrorsRightToLeftRunsOnly)
{
    struct Case {
        const char* name;
        bool boxMirroring;
        const char* text;
        std::vector<std::u32string> displays; // per visual cell
    };
    const std::vector<std::u32string> tail(7, U"");
    const auto after = [&](std::vector<std::u32string> cells) {
        std::vector<std::u32string> all = tail;
        all.insert(all.end(), cells.begin(), cells.end());
        return all;
    };
    const Case cases[] = {
        { "a bracket between Hebrew letters", false, "\u05D0(\u05D1", after({ U"", U")", U"" }) },
        { "box drawing without box mirroring", false, "\u05D0\u250C\u05D1", after({ U"", U"", U"" }) },
        { "box drawing with box mirroring", true, "\u05D0\u250C\u05D1", after({ U"", U"\u2510", U"" }) },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        BidiPresentationState state;
        state.boxMirroring = test.boxMirroring;
        start(state);
        terminal->feed(test.text);
        EXPECT_EQ(displays(layout(0)), test.displays);
    }
    // A bracket inside a Latin run of a right-to-left row is drawn as it is.
    start(fallback(rtl));
    terminal->feed("a(b");
    EXPECT_EQ(displays(layout(0)), std::vector<std::u32string>(10, U""));
}

TEST_F(BidiLayoutFixture, ShapesArabicInVisualOrder)
{
    start();
    terminal->feed("\u0633\u0644\u0627\u0645"); // seen, lam, alef, meem
    const BidiRowLayout laid = layout(0);
    EXPECT_EQ(laid.visualToLogicalCol, (Columns { 9, 8, 7, 6, 5, 4, 3, 2, 1, 0 }));
    std::vector<std::u32string> expected(6, U"");
    expected.insert(expected.end(), { U"\uFEE1", U" ", U"\uFEFC", U"\uFEB3" });
    EXPECT_EQ(displays(laid), expected);
}

TEST_F(BidiLayoutFixture, LongParagraphsAreNeverReordered)
{
    TerminalOptions options = screenSize(10, 5);
    options.scrollback = 600;
    terminal = std::make_unique<Terminal>(&delegate, options);
    // 501 rows of one paragraph: a Hebrew letter and 5009 Latin ones.
    terminal->feed("\u05D0" + std::string(5009, 'a'));
    ASSERT_EQ(terminal->buffer().lines().count(), 501);
    for (int row : { 0, 250, 500 })
        EXPECT_FALSE(paragraph(row)) << row;
    EXPECT_EQ(TerminalBidi::layoutRevision(250, terminal->buffer(), 500), 0u);
    terminal->options.setMaximumBidiParagraphRows(501);
    const auto result = paragraph(250);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rows.size(), 501u);
}

TEST_F(BidiLayoutFixture, ParagraphFollowsItsFirstRowsState)
{
    start();
    terminal->feed("abcdefghijklmno"); // rows 0 and 1, one paragraph
    Buffer& buffer = terminal->buffer();
    buffer.line(0).setBidiState(fallback(rtl));
    auto result = paragraph(1);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->baseDirection, rtl);
    EXPECT_EQ(result->rows.size(), 2u);

    buffer.line(0).setBidiState(BidiPresentationState::Default);
    buffer.line(1).setBidiState(fallback(rtl));
    result = paragraph(1);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->rows.empty());
}

TEST_F(BidiLayoutFixture, ExplicitRowsAreReversedAndMirroredWithoutShaping)
{
    BidiPresentationState state;
    state.supportMode = BidiSupportMode::explicit_;
    start(state);
    terminal->feed("(a\u0628\u0628");
    // Explicit rows are never reordered by the algorithm; the host draws them itself.
    EXPECT_FALSE(paragraph(0));
    EXPECT_EQ(TerminalBidi::layoutRevision(0, terminal->buffer(), 500), 0u);

    const auto laid = TerminalBidi::explicitRightToLeftLayout(0, terminal->buffer(), 10, *terminal);
    ASSERT_TRUE(laid);
    EXPECT_EQ(laid->visualToLogicalCol, (Columns { 9, 8, 7, 6, 5, 4, 3, 2, 1, 0 }));
    std::vector<std::u32string> expected(6, U"");
    expected.insert(expected.end(), { U"", U"", U"", U")" });
    EXPECT_EQ(displays(*laid), expected);
    EXPECT_EQ(laid->baseDirection, rtl);
    EXPECT_EQ(laid->paragraphRevision, terminal->buffer().line(0).generation());
    EXPECT_FALSE(TerminalBidi::explicitRightToLeftLayout(5, terminal->buffer(), 10, *terminal));
    EXPECT_FALSE(TerminalBidi::explicitRightToLeftLayout(0, terminal->buffer(), 0, *terminal));
}

TEST_F(BidiLayoutFixture, QuickScanFindsRightToLeftTriggers)
{
    struct Case {
        const char* name;
        std::vector<std::u32string> cells; // written as they stand, a cell per entry
        bool expected;
    };
    const Case cases[] = {
        { "Latin and symbols", { U"a", U" ", U"\u00E9", U"\u2500" }, false },
        { "Hebrew", { U"a", U"\u05D0" }, true },
        { "Arabic presentation form", { U"\uFEFB" }, true },
        { "right-to-left mark", { U"a", U"\u200F" }, true },
        { "right-to-left isolate", { U"\u2067" }, true },
        { "left-to-right mark", { U"a", U"\u200E" }, false },
        { "Hebrew accent on a Latin letter", { U"e\u0591" }, true },
        { "Phoenician", { U"\U00010900" }, true },
        { "emoji", { U"\U0001F600" }, false },
        { "Hebrew beyond the columns asked for", { U"a", U"b", U"c", U"d", U"e", U"f", U"g", U"h", U"\u05D0" }, false },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        start();
        BufferLine& row = terminal->buffer().line(0);
        for (size_t col = 0; col < test.cells.size(); col++)
            row.setCell(int(col), CharData(CharData::Null.attribute(), terminal->code(test.cells[col]), 1));
        EXPECT_EQ(TerminalBidi::mayNeedBidi(row, 8, *terminal), test.expected);
    }
}

TEST_F(BidiLayoutFixture, ChangedRowsWidenToTheirParagraphs)
{
    start();
    // Row 0 alone, rows 1-3 one paragraph, row 4 alone.
    terminal->feed("X\r\nabcdefghijklmnopqrstuvwxy\r\nZ");
    Buffer& buffer = terminal->buffer();
    using Range = TerminalBidi::RowRange;
    struct Case {
        Range changed;
        Range widened;
    };
    const Case cases[] = {
        { { 2, 2 }, { 1, 3 } }, { { 0, 2 }, { 0, 3 } }, { { 3, 4 }, { 1, 4 } },
        { { 0, 0 }, { 0, 0 } }, { { -5, 100 }, { 0, 4 } }, { { 3, 1 }, { 1, 3 } },
    };
    for (const Case& test : cases)
        EXPECT_EQ(TerminalBidi::renderingDependencyRange(test.changed, buffer, 500), test.widened)
            << test.changed.first << "..." << test.changed.last;
    // Too long a paragraph is not widened to.
    EXPECT_EQ(TerminalBidi::renderingDependencyRange({ 2, 2 }, buffer, 2), (Range { 2, 2 }));

    const uint64_t revision = TerminalBidi::layoutRevision(2, buffer, 500);
    EXPECT_NE(revision, 0u);
    EXPECT_EQ(TerminalBidi::layoutRevision(1, buffer, 500), revision);
    EXPECT_NE(TerminalBidi::layoutRevision(4, buffer, 500), revision);
    terminal->feed("\x1b[3;2H!"); // one cell of row 2 changes
    EXPECT_NE(TerminalBidi::layoutRevision(1, buffer, 500), revision);
    EXPECT_EQ(TerminalBidi::layoutRevision(7, buffer, 500), 0u);
}

} // namespace
} // namespace zentrova
