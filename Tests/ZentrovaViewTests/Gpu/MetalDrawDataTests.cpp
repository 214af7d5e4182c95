#include "Gpu/RendererTestSupport.h"

#include "Zentrova/Screen/Buffer.h"

#include <gtest/gtest.h>

#include <QFontDatabase>

#include <functional>
#include <set>

namespace zentrova {
namespace {

struct Box {
    double x0, y0, x1, y1;
};

Box boxOf(const TextCell& cell)
{
    return { cell.position[0], cell.position[1], cell.position[0] + cell.size[0], cell.position[1] + cell.size[1] };
}

Box boxOf(const ColorCell& cell)
{
    return { cell.position[0], cell.position[1], cell.position[0] + cell.size[0], cell.position[1] + cell.size[1] };
}

bool inside(const Box& box, double x0, double y0, double x1, double y1, double slack = 0.01)
{
    return box.x0 >= x0 - slack && box.y0 >= y0 - slack && box.x1 <= x1 + slack && box.y1 <= y1 + slack;
}

bool fontInstalled(const QString& family)
{
    return QFontDatabase::families().contains(family);
}

TEST(MetalRowDrawData, AKnownRowGivesItsBackgroundsAndGlyphsInCellCoordinates)
{
    RendererFixture fixture;
    feed(fixture.view, "\x1b[41mAB\x1b[0m C");
    const double scale = 2;
    const RowDrawData data = fixture.row(0, scale);
    const double cw = fixture.cellWidth() * scale;
    const double bottom = fixture.rowBottomPx(0, scale);
    const double top = bottom + fixture.cellHeight() * scale;

    const QColor red = fixture.view.getAttributes(fixture.view.terminal().buffer().line(0)[0], false).background;
    ASSERT_EQ(data.backgroundCells.size(), 1u) << "default-background cells give no record";
    EXPECT_EQ(data.backgroundCells[0],
              (ColorCell { { 0, float(bottom) }, { float(2 * cw), float(top - bottom) }, rgba(red) }));

    // A, B and C; the space has no ink.
    ASSERT_EQ(data.glyphCellsGray.size(), 3u);
    const int columns[] = { 0, 1, 3 };
    for (size_t i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(inside(boxOf(data.glyphCellsGray[i]), columns[i] * cw, bottom, (columns[i] + 1) * cw, top));
        EXPECT_EQ(data.glyphCellsGray[i].color, rgba(testForeground));
        EXPECT_GT(data.glyphCellsGray[i].texSize[0], 0);
        EXPECT_GT(data.glyphCellsGray[i].texSize[1], 0);
    }
    EXPECT_TRUE(data.glyphCellsColor.empty());
    EXPECT_TRUE(data.decorationCells.empty());
}

TEST(MetalRowDrawData, TheSelectionColourCoversDefaultCells)
{
    RendererFixture fixture;
    feed(fixture.view, "ab");
    auto selection = std::make_shared<CountingSelection>(fixture.view.terminal());
    selection->startPosition = { 3, 0 };
    selection->endPosition = { 6, 0 };
    fixture.view.setSelection(selection);
    const RowDrawData data = fixture.row(0);
    const QColor selected = fixture.view.selectedTextBackgroundColor();
    const auto found = std::find_if(data.backgroundCells.begin(), data.backgroundCells.end(),
                                    [&](const ColorCell& cell) { return cell.color == rgba(selected); });
    ASSERT_NE(found, data.backgroundCells.end());
    EXPECT_FLOAT_EQ(found->position[0], float(3 * fixture.cellWidth()));
    EXPECT_FLOAT_EQ(found->size[0], float(3 * fixture.cellWidth()));
}

TEST(MetalRowDrawData, TwoGlyphsOfOneCellKeepTheirOffset)
{
    RendererFixture fixture;
    // x and a combining acute accent share the first cell (there is no precomposed x with acute).
    feed(fixture.view, "x\xcc\x81");
    const double scale = 2;
    const RowDrawData data = fixture.row(0, scale);
    ASSERT_EQ(data.glyphCellsGray.size(), 2u);
    const Box base = boxOf(data.glyphCellsGray[0]);
    const Box mark = boxOf(data.glyphCellsGray[1]);
    const double cw = fixture.cellWidth() * scale;
    // Placed at the cell's origin the mark would hang left of the cell; shaped, it sits over the e.
    EXPECT_TRUE(inside(mark, 0, base.y0, cw, 1e9, 1)) << mark.x0 << " " << mark.x1;
    EXPECT_LT(std::max(base.x0, mark.x0), std::min(base.x1, mark.x1)) << "the accent overlaps the x sideways";
    EXPECT_GT(mark.y0, base.y0);
}

TEST(MetalRowDrawData, AWideGlyphIsFittedToItsTwoColumns)
{
    struct Case {
        const char* name;
        const char* family;
        const char* text;
        bool inColour;
    };
    for (const Case& c : { Case { "Han", "Noto Sans CJK SC", "\xe4\xb8\xad", false },
                           Case { "emoji", "Noto Color Emoji", "\xf0\x9f\xa6\x80", true } }) {
        SCOPED_TRACE(c.name);
        if (!fontInstalled(c.family))
            GTEST_SKIP() << c.family << " is not installed";
        RendererFixture fixture;
        feed(fixture.view, std::string("x") + c.text);
        const double scale = 2;
        const RowDrawData data = fixture.row(0, scale);
        const auto& cells = c.inColour ? data.glyphCellsColor : data.glyphCellsGray;
        ASSERT_EQ(cells.size(), c.inColour ? 1u : 2u);
        const TextCell& wide = cells.back();
        const double cw = fixture.cellWidth() * scale;
        const double bottom = fixture.rowBottomPx(0, scale);
        EXPECT_TRUE(inside(boxOf(wide), cw, bottom - 1, 3 * cw, bottom + fixture.cellHeight() * scale + 1, 1));
        // Centred across the slot.
        EXPECT_NEAR((boxOf(wide).x0 + boxOf(wide).x1) / 2, 2 * cw, cw / 2);
        if (c.inColour) {
            EXPECT_EQ(wide.color, (std::array<float, 4> { 1, 1, 1, 1 }));
        }
    }
}

TEST(MetalRowDrawData, DoubleWidthAndDoubleHeightRowsStretchAndClip)
{
    RendererFixture fixture;
    feed(fixture.view, "\x1b[41mAg\x1b[m\r\n\x1b#6\x1b[41mAg\x1b[m\r\n\x1b#3\x1b[41mAg\x1b[m\r\n\x1b#4\x1b[41mAg\x1b[m");
    const double scale = 2;
    const RowDrawData single = fixture.row(0, scale);
    const double dy = fixture.cellHeight() * scale; // one row lower

    const RowDrawData wide = fixture.row(1, scale);
    ASSERT_EQ(wide.glyphCellsGray.size(), single.glyphCellsGray.size());
    for (size_t i = 0; i < single.glyphCellsGray.size(); i++) {
        EXPECT_FLOAT_EQ(wide.glyphCellsGray[i].position[0], 2 * single.glyphCellsGray[i].position[0]);
        EXPECT_FLOAT_EQ(wide.glyphCellsGray[i].size[0], 2 * single.glyphCellsGray[i].size[0]);
        EXPECT_NEAR(wide.glyphCellsGray[i].position[1], single.glyphCellsGray[i].position[1] - dy, 1e-3);
    }
    EXPECT_FLOAT_EQ(wide.backgroundCells.at(0).size[0], 2 * single.backgroundCells.at(0).size[0]);

    for (int row : { 2, 3 }) {
        SCOPED_TRACE(row);
        const RowDrawData doubled = fixture.row(row, scale);
        const double bottom = fixture.rowBottomPx(row, scale);
        const double top = bottom + dy;
        const double right = scale * fixture.view.width();
        ASSERT_EQ(doubled.backgroundCells.size(), 1u);
        EXPECT_EQ(boxOf(doubled.backgroundCells[0]).y0, bottom);
        EXPECT_EQ(boxOf(doubled.backgroundCells[0]).y1, top);
        EXPECT_FLOAT_EQ(doubled.backgroundCells[0].size[0], 2 * single.backgroundCells[0].size[0]);
        bool cut = false;
        for (size_t i = 0; i < doubled.glyphCellsGray.size(); i++) {
            EXPECT_TRUE(inside(boxOf(doubled.glyphCellsGray[i]), 0, bottom, right, top));
            cut = cut || doubled.glyphCellsGray[i].texSize[1] < single.glyphCellsGray.at(0).texSize[1] * 0.999;
        }
        EXPECT_TRUE(cut) << "each half shows only part of its glyphs";
    }
}

TEST(MetalRowDrawData, UnderlinesAndStrikeThroughsBecomeDecorationCells)
{
    RendererFixture fixture;
    feed(fixture.view, "\x1b[4mA\x1b[m\x1b[21mB\x1b[m\x1b[9mC\x1b[m\x1b[4:3mD\x1b[m");
    const RowDrawData data = fixture.row(0, 1);
    const double cw = fixture.cellWidth();
    const auto inColumn = [&](int column) {
        return std::count_if(data.decorationCells.begin(), data.decorationCells.end(), [&](const ColorCell& cell) {
            return cell.position[0] >= column * cw - 0.01 && cell.position[0] < (column + 1) * cw - 0.01;
        });
    };
    EXPECT_EQ(inColumn(0), 1) << "single";
    EXPECT_EQ(inColumn(1), 2) << "double";
    EXPECT_EQ(inColumn(2), 1) << "strike-through";
    EXPECT_GT(inColumn(3), 2) << "curly, cut into steps";
}

TEST(MetalRowDrawData, CustomGlyphsComeFromTheGrayscaleAtlasWithTheirJoins)
{
    RendererFixture fixture;
    // A box-drawing line, a full block and a powerline separator, red on the default background.
    feed(fixture.view, "\x1b[31m\xe2\x94\x80\xe2\x96\x88\xee\x82\xb0\x1b[m");
    const double scale = 2;
    const RowDrawData data = fixture.row(0, scale);
    ASSERT_EQ(data.glyphCellsGray.size(), 3u);
    const int cellWidthPx = int(std::lround(fixture.cellWidth() * scale));
    const double bottom = std::round(fixture.rowBottomPx(0, scale));
    for (int column = 0; column < 3; column++) {
        SCOPED_TRACE(column);
        const TextCell& cell = data.glyphCellsGray[size_t(column)];
        EXPECT_FLOAT_EQ(cell.position[0], float(cellWidthPx * column));
        EXPECT_FLOAT_EQ(cell.position[1], float(bottom));
        EXPECT_FLOAT_EQ(cell.size[0], float(cellWidthPx));
    }
    ASSERT_EQ(data.powerlineJoinCells.size(), 1u);
    EXPECT_FLOAT_EQ(data.powerlineJoinCells[0].position[0], float(2 * cellWidthPx - 1));
    EXPECT_FLOAT_EQ(data.powerlineJoinCells[0].size[0], 1);
    EXPECT_EQ(data.powerlineJoinCells[0].color, data.glyphCellsGray[2].color);
}

// The lower half block over a cell whose middle falls inside a device pixel: snapped it covers whole
// pixels only, anti-aliased it has a partly covered row, and the two are separate entries.
TEST(MetalRowDrawData, ABlockElementSnapsToPixelsUnlessAntiAliased)
{
    RendererFixture fixture;
    auto& renderer = *fixture.renderer;
    const auto coverage = [&](bool antiAlias) {
        const auto entry = renderer.customGlyphEntry(0x2584, 9, 21, 1.5, 0, antiAlias);
        std::set<uint8_t> values;
        if (!entry)
            return values;
        const GlyphAtlas& atlas = renderer.grayscaleAtlas();
        for (int y = entry->region.y; y < entry->region.y + entry->region.height; y++) {
            for (int x = entry->region.x; x < entry->region.x + entry->region.width; x++)
                values.insert(atlas.data()[size_t(y) * size_t(atlas.size()) + size_t(x)]);
        }
        return values;
    };
    EXPECT_EQ(coverage(false), (std::set<uint8_t> { 0, 255 }));
    EXPECT_GT(coverage(true).size(), 2u);
    EXPECT_EQ(renderer.customGlyphCacheSize(), 2u);
}

// Each change of what the cache signature holds rebuilds every visible row; a changed line rebuilds
// itself; the dirty range rebuilds its visible part.
TEST(MetalDrawDataPass, RowsAreRebuiltExactlyWhenSomethingTheyShowChanged)
{
    RendererFixture fixture;
    TerminalView& view = fixture.view;
    for (int i = 0; i < 12; i++)
        feed(view, "line " + std::to_string(i) + (i < 11 ? "\r\n" : ""));
    double scale = 1;
    auto& renderer = *fixture.renderer;
    renderer.buildDrawDataPass(scale);
    ASSERT_EQ(renderer.rowsBuiltLastPass(), 6);
    const int all = -1;

    struct Case {
        const char* name;
        std::function<void()> change;
        int rebuilt;
    };
    const Case cases[] = {
        { "nothing", [] {}, 0 },
        { "a changed line", [&] { feed(view, "\x1b[3;1HX"); }, 1 },
        { "a dirty range partly above the screen",
          [&] {
              const int yDisp = view.terminal().buffer().yDisp();
              view.setMetalDirtyRange(std::pair(yDisp - 3, yDisp + 1));
          },
          2 },
        { "another line object in a row",
          [&] {
              Buffer& buffer = view.terminal().buffer();
              const int row = buffer.yDisp() + 4;
              buffer.lines().set(row, std::make_shared<BufferLine>(buffer.line(row)));
          },
          1 },
        { "view width", [&] { view.resize(view.width() + 10, view.height()); }, all },
        { "scale", [&] { scale = 2; }, all },
        { "scroll position", [&] { view.scrollUp(1); }, all },
        { "bidi host policy", [&] { view.setBidiHostPolicy(BidiHostPolicy::legacyLeftToRight); }, all },
        { "a kitty image stored", [&] { feed(view, kitty("a=t,f=32,s=1,v=1,i=3,q=2", rgbaBase64({ 1, 2, 3, 4 }))); }, all },
        { "alternate screen", [&] { feed(view, "\x1b[?1049h"); }, all },
        { "font", [&] {
              QFont font = testFont();
              font.setPointSizeF(14);
              view.setFont(font);
          },
          all },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        const DrawData data = renderer.buildDrawDataPass(scale);
        const int visible = int(renderer.rowCache().size());
        EXPECT_EQ(renderer.rowsBuiltLastPass(), c.rebuilt == all ? visible : c.rebuilt);
        EXPECT_EQ(int(data.rows.size()), visible);
        renderer.buildDrawDataPass(scale);
        EXPECT_EQ(renderer.rowsBuiltLastPass(), 0) << "the next frame reuses every row";
    }
}

// A changed row is built into the lists of its last data: none of the old records may stay.
TEST(MetalDrawDataPass, ARowBuiltAgainOverItsLastDataHoldsOnlyWhatItShowsNow)
{
    RendererFixture fixture;
    auto& renderer = *fixture.renderer;
    const int top = fixture.view.terminal().buffer().yDisp();
    feed(fixture.view, "\x1b[41;4;9mstruck \xe2\x94\x80\xe2\x94\x82 \xee\x82\xb0 \x1b[44mblue\x1b[m\r\nsecond");
    renderer.buildDrawDataPass(1);
    const RowDrawData& before = *renderer.rowCache().at(top).data;
    ASSERT_FALSE(before.backgroundCells.empty());
    ASSERT_FALSE(before.decorationCells.empty());
    ASSERT_FALSE(before.powerlineJoinCells.empty());

    feed(fixture.view, "\x1b[1;1H\x1b[2Kok");
    renderer.buildDrawDataPass(1);
    ASSERT_EQ(renderer.rowsBuiltLastPass(), 1);
    const RowDrawData& rebuilt = *renderer.rowCache().at(top).data;
    EXPECT_EQ(rebuilt, fixture.row(0));
    EXPECT_EQ(rebuilt.glyphCellsGray.size(), 2u);
    EXPECT_TRUE(rebuilt.backgroundCells.empty());
    EXPECT_TRUE(rebuilt.decorationCells.empty());
    EXPECT_TRUE(rebuilt.powerlineJoinCells.empty());
    EXPECT_EQ(*renderer.rowCache().at(top + 1).data, fixture.row(1)) << "the row left alone";
}

TEST(MetalDrawDataPass, SwitchingBufferingModesKeepsTheDataAndRemakesOnlyBuffers)
{
    RendererFixture fixture;
    feed(fixture.view, "\x1b[42mone\r\ntwo\x1b[m\r\nthree");
    auto& renderer = *fixture.renderer;
    const DrawData perRow = renderer.buildDrawDataPass(1);
    ASSERT_EQ(perRow.rows.size(), 6u);
    EXPECT_FALSE(perRow.frame);
    // A row's buffers hold its records.
    const RowCacheEntry& first = renderer.rowCache().at(fixture.view.terminal().buffer().yDisp());
    ASSERT_TRUE(first.buffers && first.buffers->glyphGrayBuffer);
    const auto& bytes = static_cast<FakeBuffer&>(*first.buffers->glyphGrayBuffer).bytes;
    const auto records = std::as_bytes(std::span(first.data->glyphCellsGray));
    EXPECT_EQ(first.buffers->glyphGrayCount, int(first.data->glyphCellsGray.size()));
    ASSERT_EQ(bytes.size(), records.size());
    EXPECT_TRUE(std::equal(records.begin(), records.end(), bytes.begin()));

    fixture.view.setMetalBufferingMode(MetalBufferingMode::perFrameAggregated);
    const DrawData aggregated = renderer.buildDrawDataPass(1);
    EXPECT_EQ(renderer.rowsBuiltLastPass(), 0);
    ASSERT_TRUE(aggregated.frame);
    EXPECT_TRUE(aggregated.rows.empty());
    FrameDrawData expected;
    for (int row = 0; row < 6; row++)
        expected.append(*renderer.rowCache().at(row).data);
    EXPECT_EQ(static_cast<const RowDrawData&>(*aggregated.frame), static_cast<const RowDrawData&>(expected));
    EXPECT_EQ(aggregated.frame->backgroundCells.size(), 2u);
    for (const auto& [row, entry] : renderer.rowCache())
        EXPECT_FALSE(entry.buffers) << row;

    const int buffersBefore = fixture.bufferDevice.made;
    fixture.view.setMetalBufferingMode(MetalBufferingMode::perRowPersistent);
    const DrawData back = renderer.buildDrawDataPass(1);
    EXPECT_EQ(renderer.rowsBuiltLastPass(), 0) << "no row is laid out again";
    EXPECT_EQ(back.rows.size(), 6u);
    EXPECT_GT(fixture.bufferDevice.made, buffersBefore);
    for (const auto& [row, entry] : renderer.rowCache())
        EXPECT_TRUE(entry.buffers) << row;
}

// Whole-cell backgrounds of ordinary rows are drawn from the frame's grid and left out of the rows'
// buffers; a double-width row keeps its own. A pass over the last one changes only the rows it built.
TEST(MetalDrawDataPass, OrdinaryRowsGiveTheirBackgroundsToTheGrid)
{
    RendererFixture fixture;
    // Red over columns 0-1; a double-width row in red; blue under a wide character in columns 1-2.
    feed(fixture.view, "\x1b[41mAB\x1b[m\r\n\x1b#6\x1b[41mAg\x1b[m\r\nx\x1b[44m\xe4\xb8\xad\x1b[m");
    auto& renderer = *fixture.renderer;
    Buffer& buffer = fixture.view.terminal().buffer();
    const auto background = [&](int row, int col) {
        return rgba(fixture.view.getAttributes(buffer.line(buffer.yDisp() + row)[col], false).background);
    };
    const std::array<float, 4> red = background(0, 0);
    const std::array<float, 4> blue = background(2, 1);
    const std::array<float, 4> none {};

    DrawData data;
    renderer.buildDrawDataPass(1, data);
    const BackgroundGrid& grid = data.backgroundGrid;
    ASSERT_EQ(grid.cols, 20);
    ASSERT_EQ(grid.rows, 6);
    const auto cell = [&](int row, int col) { return grid.colors[size_t((grid.rows - 1 - row) * grid.cols + col)]; };
    struct Case {
        int row;
        int col;
        std::array<float, 4> color;
    };
    for (const Case& c : { Case { 0, 0, red }, Case { 0, 1, red }, Case { 0, 2, none }, Case { 1, 0, none },
                           Case { 2, 0, none }, Case { 2, 1, blue }, Case { 2, 2, blue }, Case { 2, 3, none } }) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " column " << c.col);
        EXPECT_EQ(cell(c.row, c.col), c.color);
    }
    EXPECT_EQ(grid.filledRange(), std::pair(3, 6)) << "texel rows of screen rows 2 to 0";
    EXPECT_FLOAT_EQ(grid.position[1], float(fixture.rowBottomPx(5)));
    EXPECT_FLOAT_EQ(grid.size[0], float(20 * fixture.cellWidth()));
    ASSERT_EQ(data.rows.size(), 6u);
    EXPECT_EQ(data.rows[0].backgroundCount, 0);
    EXPECT_EQ(data.rows[1].backgroundCount, 1) << "the double-width row draws its own";
    EXPECT_EQ(data.rows[2].backgroundCount, 0);

    // What the texture took is no longer stale; a changed row is, with its new colours.
    std::ranges::fill(data.backgroundGrid.staleRows, 0);
    feed(fixture.view, "\x1b[1;1H\x1b[mAB");
    renderer.buildDrawDataPass(1, data);
    EXPECT_EQ(data.backgroundGrid.staleRows, (std::vector<char> { 0, 0, 0, 0, 0, 1 }));
    EXPECT_EQ(cell(0, 0), none);
    EXPECT_EQ(cell(2, 1), blue) << "a row from the cache keeps its colours";
    EXPECT_EQ(grid.filledRange(), std::pair(3, 4));
}

TEST(MetalDrawDataPass, AnAtlasResetMidPassEmptiesTheCachesAndAsksForAnotherPass)
{
    // An atlas that cannot grow past 256 pixels, and more large glyphs than it holds.
    RendererFixture fixture(256, 256);
    std::string text;
    for (int row = 0; row < 6; row++) {
        for (int col = 0; col < 20; col++)
            text += char('!' + (row * 20 + col) % 94);
        text += row < 5 ? "\r\n" : "";
    }
    feed(fixture.view, text);
    auto& renderer = *fixture.renderer;
    renderer.buildDrawDataPass(4);
    EXPECT_TRUE(renderer.atlasInvalidatedDuringBuild());
    EXPECT_LT(renderer.glyphCacheSize(), 94u);
    EXPECT_FALSE(renderer.rowCache().contains(0)) << "rows built before the reset point at lost regions";
}

} // namespace
} // namespace zentrova
