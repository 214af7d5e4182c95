#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

// A 20 × 5 view; rows are laid out over the terminal's columns.
struct LayoutFixture {
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 200) };

    LayoutFixture() { view.terminal().resize(20, 5); }

    ViewLineInfo row(int screenRow)
    {
        Buffer& buffer = view.terminal().buffer();
        const int ring = buffer.yBase() + screenRow;
        return view.buildAttributedString(ring, buffer.line(ring), view.terminal().cols);
    }
};

// Segments as "column/width:text" joined by "|".
std::string describe(const ViewLineInfo& info)
{
    std::string out;
    for (const ViewLineSegment& segment : info.segments) {
        if (!out.empty())
            out += "|";
        out += std::to_string(segment.column) + "/" + std::to_string(segment.columnWidth) + ":"
            + segment.text.trimmed().toStdString();
    }
    return out;
}

TEST(TerminalViewLayout, BlankRowIsOneIdentitySegmentOfSpaces)
{
    LayoutFixture fixture;
    const ViewLineInfo info = fixture.row(2);
    ASSERT_EQ(info.segments.size(), 1u);
    const ViewLineSegment& segment = info.segments[0];
    EXPECT_EQ(segment.column, 0);
    EXPECT_EQ(segment.columnWidth, 1);
    EXPECT_EQ(segment.text, QString(20, QLatin1Char(' ')));
    EXPECT_TRUE(segment.utf16IsCellIdentity);
    ASSERT_EQ(segment.utf16ToCellOrdinal.size(), 20u);
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(segment.utf16ToCellOrdinal[size_t(i)], i);
    ASSERT_EQ(segment.runs.size(), 1u) << "equal attributes make one run";
    EXPECT_FALSE(segment.runs[0].style.directionOverride);
    EXPECT_FALSE(info.images);
}

TEST(TerminalViewLayout, WidthChangesStartSegmentsAndAttributeChangesStartRuns)
{
    struct Case {
        const char* name;
        const char* bytes;
        std::string segments;
        size_t firstSegmentRuns;
    };
    const Case cases[] = {
        { "narrow, wide, narrow", "ab\xe4\xb8\xad\xe6\x96\x87z", "0/1:ab|2/2:\xe4\xb8\xad\xe6\x96\x87|6/1:z", 1 },
        { "wide at the start", "\xe4\xb8\xad" "a", "0/2:\xe4\xb8\xad|2/1:a", 1 },
        { "colours split runs, not segments", "\x1b[31ma\x1b[32mb\x1b[0mc", "0/1:abc", 3 },
        { "a link is its own run only when highlighted", "\x1b]8;;http://x\x1b\\ab\x1b]8;;\x1b\\c", "0/1:abc", 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayoutFixture fixture;
        feed(fixture.view, c.bytes);
        const ViewLineInfo info = fixture.row(0);
        EXPECT_EQ(describe(info), c.segments);
        ASSERT_FALSE(info.segments.empty());
        EXPECT_EQ(info.segments[0].runs.size(), c.firstSegmentRuns);
        for (const ViewLineSegment& segment : info.segments) {
            // Runs cover the text without gaps.
            int covered = 0;
            for (const ViewLineRun& run : segment.runs) {
                EXPECT_EQ(run.start, covered);
                covered += run.length;
            }
            EXPECT_EQ(covered, segment.text.size());
        }
    }
}

TEST(TerminalViewLayout, AlwaysHighlightedLinksAreRunsWithADashedUnderline)
{
    LayoutFixture fixture;
    fixture.view.setLinkHighlightMode(LinkHighlightMode::always);
    feed(fixture.view, "\x1b]8;;http://x\x1b\\ab\x1b]8;;\x1b\\c");
    const ViewLineInfo info = fixture.row(0);
    ASSERT_EQ(info.segments.size(), 1u);
    ASSERT_EQ(info.segments[0].runs.size(), 2u);
    EXPECT_EQ(info.segments[0].runs[0].length, 2);
    EXPECT_EQ(info.segments[0].runs[0].style.zentrovaUnderlineStyle, uint8_t(UnderlineStyle::dashed));
    EXPECT_FALSE(info.segments[0].runs[1].style.zentrovaUnderlineStyle);
}

TEST(TerminalViewLayout, ClustersMapEveryUnitToTheirCell)
{
    struct Case {
        const char* name;
        const char* bytes;
        int units;
        int width;
    };
    const Case cases[] = {
        { "combining accent", "e\xcc\x81", 2, 1 },
        { "emoji with skin tone", "\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd", 4, 2 },
        { "astral scalar", "\xf0\x9d\x90\x80", 2, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayoutFixture fixture;
        feed(fixture.view, "a");
        feed(fixture.view, c.bytes);
        feed(fixture.view, "b");
        const ViewLineInfo info = fixture.row(0);
        const ViewLineSegment& cluster = c.width == 1 ? info.segments.at(0) : info.segments.at(1);
        EXPECT_FALSE(cluster.utf16IsCellIdentity);
        const int first = c.width == 1 ? 1 : 0;
        std::vector<int> expected;
        if (c.width == 1)
            expected.push_back(0);
        expected.insert(expected.end(), size_t(c.units), first);
        if (c.width == 1)
            expected.push_back(2); // "b" is the next cell
        expected.resize(std::min(expected.size(), cluster.utf16ToCellOrdinal.size()));
        EXPECT_EQ(std::vector<int>(cluster.utf16ToCellOrdinal.begin(),
                                   cluster.utf16ToCellOrdinal.begin() + std::ptrdiff_t(expected.size())),
                  expected);
        EXPECT_EQ(cluster.cellOrdinal(int(cluster.utf16ToCellOrdinal.size()) + 5), cluster.utf16ToCellOrdinal.back())
            << "past the map: the last cell";
    }
}

TEST(TerminalViewLayout, SelectedColumnsIncludeTheEndOnlyInTheLastColumn)
{
    LayoutFixture fixture;
    auto selection = std::make_shared<CountingSelection>(fixture.view.terminal());
    fixture.view.setSelection(selection);
    const int yBase = fixture.view.terminal().buffer().yBase();
    struct Case {
        const char* name;
        Position start;
        Position end;
        int row;
        std::optional<std::pair<int, int>> columns;
    };
    const Case cases[] = {
        { "one row, end before the last column", { 2, 1 }, { 5, 1 }, 1, std::pair(2, 5) },
        { "one row, end in the last column", { 2, 1 }, { 19, 1 }, 1, std::pair(2, 20) },
        { "one row, backwards", { 5, 1 }, { 2, 1 }, 1, std::pair(2, 5) },
        { "equal ends select nothing", { 4, 1 }, { 4, 1 }, 1, std::nullopt },
        { "forward, first row", { 3, 0 }, { 4, 2 }, 0, std::pair(3, 20) },
        { "forward, middle row", { 3, 0 }, { 4, 2 }, 1, std::pair(0, 20) },
        { "forward, last row", { 3, 0 }, { 4, 2 }, 2, std::pair(0, 4) },
        { "forward, last row ending in the last column", { 3, 0 }, { 19, 2 }, 2, std::pair(0, 20) },
        { "backward, top row", { 4, 2 }, { 3, 0 }, 0, std::pair(3, 20) },
        { "backward, bottom row", { 4, 2 }, { 3, 0 }, 2, std::pair(0, 4) },
        { "outside the rows", { 3, 0 }, { 4, 2 }, 3, std::nullopt },
        { "starting at the row's end", { 20, 0 }, { 4, 2 }, 0, std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        selection->startPosition = { c.start.col, c.start.row + yBase };
        selection->endPosition = { c.end.col, c.end.row + yBase };
        EXPECT_EQ(fixture.view.selectedColumnsRange(c.row + yBase, 20), c.columns);
    }
    selection->isActive = false;
    EXPECT_EQ(fixture.view.selectedColumnsRange(yBase, 20), std::nullopt);
}

TEST(TerminalViewLayout, SelectedCellsTakeTheSelectionColours)
{
    LayoutFixture fixture;
    auto selection = std::make_shared<CountingSelection>(fixture.view.terminal());
    fixture.view.setSelection(selection);
    feed(fixture.view, "\x1b[4:1;58;2;1;2;3mabcd");
    selection->startPosition = { 1, 0 };
    selection->endPosition = { 3, 0 };
    const ViewLineInfo info = fixture.row(0);
    ASSERT_EQ(info.segments.size(), 1u);
    const auto& runs = info.segments[0].runs;
    ASSERT_GE(runs.size(), 3u);
    EXPECT_EQ(runs[0].length, 1);
    EXPECT_FALSE(runs[0].style.selectionBackground);
    EXPECT_EQ(runs[1].length, 2);
    EXPECT_EQ(runs[1].style.selectionBackground, fixture.view.selectedTextBackgroundColor());
    EXPECT_EQ(runs[1].style.foreground, fixture.view.selectedTextForegroundColor());
    EXPECT_EQ(runs[1].style.underlineColor, fixture.view.selectedTextForegroundColor());
    EXPECT_FALSE(runs[2].style.selectionBackground);
    EXPECT_EQ(runs[2].style.underlineColor, QColor(1, 2, 3));
}

TEST(TerminalViewLayout, BlinkHiddenCellsAreSpacesWithoutDecorations)
{
    LayoutFixture fixture;
    feed(fixture.view, "\x1b[5;4;9mab\x1b[25mc");
    fixture.view.setTextBlinkVisible(false);
    ViewLineInfo info = fixture.row(0);
    ASSERT_EQ(info.segments.size(), 1u);
    EXPECT_EQ(info.segments[0].text.left(3), "  c");
    const CellStyle& hidden = info.segments[0].runs.at(0).style;
    EXPECT_EQ(hidden.foreground.alpha(), 0);
    EXPECT_EQ(hidden.underlineStyle, 0);
    EXPECT_FALSE(hidden.zentrovaUnderlineStyle);
    EXPECT_EQ(hidden.strikethroughStyle, 0);
    const CellStyle& shown = info.segments[0].runs.at(1).style;
    EXPECT_NE(shown.underlineStyle, 0) << "the cell that does not blink keeps its decorations";

    fixture.view.setTextBlinkVisible(true);
    info = fixture.row(0);
    EXPECT_EQ(info.segments[0].text.left(3), "abc");
    EXPECT_NE(info.segments[0].runs.at(0).style.underlineStyle, 0);
}

TEST(TerminalViewLayout, TextPresentationCharactersCarryTheTextSelector)
{
    LayoutFixture fixture;
    feed(fixture.view, "\xe2\x98\xba" "a"); // U+263A, an emoji that shows as text by default
    const ViewLineInfo info = fixture.row(0);
    const ViewLineSegment& segment = info.segments.at(0);
    EXPECT_EQ(segment.text.left(3), QString::fromUtf8("\xe2\x98\xba\xef\xb8\x8e" "a"));
    EXPECT_EQ(std::vector<int>(segment.utf16ToCellOrdinal.begin(), segment.utf16ToCellOrdinal.begin() + 3),
              (std::vector<int> { 0, 0, 1 }));
}

TEST(TerminalViewLayout, RightToLeftRowsFollowTheHostPolicy)
{
    // "abc " then Hebrew alef, bet, gimel.
    const char* bytes = "abc \xd7\x90\xd7\x91\xd7\x92";
    const QString logical = QString::fromUtf8("abc \xd7\x90\xd7\x91\xd7\x92");
    const QString visual = QString::fromUtf8("abc \xd7\x92\xd7\x91\xd7\x90");

    LayoutFixture legacy;
    legacy.view.setBidiHostPolicy(BidiHostPolicy::legacyLeftToRight);
    feed(legacy.view, bytes);
    ViewLineInfo info = legacy.row(0);
    ASSERT_EQ(info.segments.size(), 1u);
    EXPECT_EQ(info.segments[0].text.left(7), logical) << "cells stay in logical order";
    EXPECT_EQ(info.segments[0].runs.at(0).style.directionOverride, Qt::LeftToRight);

    LayoutFixture respecting;
    feed(respecting.view, bytes);
    info = respecting.row(0);
    ASSERT_FALSE(info.segments.empty());
    EXPECT_EQ(info.segments[0].text.left(7), visual) << "the Hebrew word is drawn reversed";
    EXPECT_EQ(info.segments[0].runs.at(0).style.directionOverride, Qt::LeftToRight);

    // A row without right-to-left text carries no override.
    info = respecting.row(1);
    EXPECT_FALSE(info.segments.at(0).runs.at(0).style.directionOverride);
}

TEST(TerminalViewLayout, ExplicitRightToLeftRowsAreReversedAndMirrored)
{
    LayoutFixture fixture;
    // Explicit mode (BDSM reset), right-to-left presentation (SPD 3).
    feed(fixture.view, "\x1b[8l\x1b[3 Sab(");
    const ViewLineInfo info = fixture.row(0);
    ASSERT_EQ(info.segments.size(), 1u);
    EXPECT_EQ(info.segments[0].text.size(), 20);
    EXPECT_TRUE(info.segments[0].text.endsWith(")ba")) << info.segments[0].text.toStdString();
    EXPECT_EQ(info.segments[0].runs.at(0).style.directionOverride, Qt::LeftToRight);
}

TEST(TerminalViewLayout, ArabicCellsOfAReorderedRowStandAlone)
{
    LayoutFixture fixture;
    feed(fixture.view, "\xd8\xa8\xd8\xa8" "a"); // beh beh a
    const ViewLineInfo info = fixture.row(0);
    int alone = 0;
    for (const ViewLineSegment& segment : info.segments) {
        if (segment.utf16ToCellOrdinal.size() == 1 && segment.text.at(0).unicode() >= 0x600)
            alone++;
    }
    EXPECT_EQ(alone, 2) << describe(info);
}

TEST(TerminalViewLayout, RowsWiderThanTheScreenAreCutToItsColumns)
{
    LayoutFixture fixture;
    feed(fixture.view, "wxyz");
    Buffer& buffer = fixture.view.terminal().buffer();
    const int ring = buffer.yBase();
    const ViewLineInfo narrow = fixture.view.buildAttributedString(ring, buffer.line(ring), 3);
    ASSERT_EQ(narrow.segments.size(), 1u);
    EXPECT_EQ(narrow.segments[0].text, "wxy");
    // A row shorter than the columns asked for stops at its own end instead of repeating its last cell.
    BufferLine shortLine(2);
    const ViewLineInfo wide = fixture.view.buildAttributedString(ring, shortLine, 20);
    ASSERT_EQ(wide.segments.size(), 1u);
    EXPECT_EQ(wide.segments[0].text.size(), 2);
}

// The painter lays every row out into the same storage: what a row held before must not leak into the
// next, whether that has more segments, fewer or other custom glyphs.
TEST(TerminalViewLayout, LayingOutIntoUsedStorageGivesWhatAFreshLayoutGives)
{
    LayoutFixture fixture;
    // Three segments; a coloured run and two cells drawn by the view; a blank row; a coloured blank.
    feed(fixture.view, "ab\xe4\xb8\xad\xe6\x96\x87z\r\n"
                       "\x1b[31mx\x1b[0m \xe2\x94\x80\xe2\x96\x88\r\n\r\n"
                       "\x1b[44m  \x1b[0mq");
    Buffer& buffer = fixture.view.terminal().buffer();
    ViewLineInfo reused;
    for (const int screenRow : { 0, 1, 2, 3, 0, 2 }) {
        SCOPED_TRACE(screenRow);
        const int ring = buffer.yBase() + screenRow;
        fixture.view.buildAttributedString(ring, buffer.line(ring), fixture.view.terminal().cols, reused);
        const ViewLineInfo fresh = fixture.row(screenRow);
        EXPECT_EQ(reused.segments, fresh.segments);
        EXPECT_EQ(reused.blockElements, fresh.blockElements);
        EXPECT_EQ(reused.boxDrawings, fresh.boxDrawings);
        EXPECT_EQ(reused.powerlines, fresh.powerlines);
        EXPECT_EQ(reused.placeholders, fresh.placeholders);
        EXPECT_EQ(reused.images.has_value(), fresh.images.has_value());
    }
}

} // namespace
} // namespace zentrova
