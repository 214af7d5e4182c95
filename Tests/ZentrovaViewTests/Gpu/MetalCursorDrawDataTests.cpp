#include "Gpu/RendererTestSupport.h"

#include "Zentrova/Screen/Buffer.h"

#include <gtest/gtest.h>

#include <QFontDatabase>

namespace zentrova {
namespace {

struct Extent {
    float x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
};

template <class Vertex>
Extent extentOf(const std::vector<Vertex>& vertices)
{
    Extent e;
    for (const Vertex& v : vertices) {
        e.x0 = std::min(e.x0, v.position[0]);
        e.y0 = std::min(e.y0, v.position[1]);
        e.x1 = std::max(e.x1, v.position[0]);
        e.y1 = std::max(e.y1, v.position[1]);
    }
    return e;
}

CursorDrawData cursor(RendererFixture& fixture, double scale)
{
    const QFontMetricsF metrics(fixture.view.fontSet().normal);
    const Buffer& buffer = fixture.view.terminal().buffer();
    CursorDrawData out;
    fixture.renderer->buildCursorDrawData(out, scale, fixture.cellWidth(), fixture.cellHeight(), metrics.descent(),
                                          metrics.leading(), buffer.yDisp(), buffer.yDisp(),
                                          buffer.yDisp() + buffer.rows() - 1);
    return out;
}

TEST(MetalCursorDrawData, EachStyleFocusedOrNotAndInEitherBlinkPhase)
{
    using S = CursorStyle;
    struct Case {
        S style;
        bool focused;
        bool blinkOn;
        size_t colorVertices;
        size_t glyphVertices;
        const char* shape; // "block", "underline", "bar", "hollow" or ""
    };
    const Case cases[] = {
        { S::blinkBlock, true, true, 6, 6, "block" },      { S::blinkBlock, true, false, 0, 0, "" },
        { S::steadyBlock, true, false, 6, 6, "block" },    { S::blinkUnderline, true, true, 6, 0, "underline" },
        { S::blinkUnderline, true, false, 0, 0, "" },      { S::steadyUnderline, true, false, 6, 0, "underline" },
        { S::blinkBar, true, true, 6, 0, "bar" },          { S::blinkBar, true, false, 0, 0, "" },
        { S::steadyBar, true, true, 6, 0, "bar" },         { S::blinkBlock, false, false, 24, 0, "hollow" },
        { S::steadyUnderline, false, true, 24, 0, "hollow" }, { S::blinkBar, false, true, 24, 0, "hollow" },
    };
    RendererFixture fixture;
    feed(fixture.view, "A\r");
    const double scale = 2;
    const double cw = fixture.cellWidth() * scale;
    const double bottom = fixture.rowBottomPx(0, scale);
    const double top = bottom + fixture.cellHeight() * scale;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shape) + " style " + std::to_string(int(c.style)) + (c.focused ? " focused" : "")
                     + (c.blinkOn ? " on" : " off"));
        fixture.view.terminal().options.cursorStyle = c.style;
        // Drawn focused unless the caret follows focus and the view has none.
        fixture.view.setCaretViewTracksFocus(!c.focused);
        fixture.view.setHasFocus(false);
        fixture.renderer->setCursorBlinkOn(c.blinkOn);
        const CursorDrawData data = cursor(fixture, scale);
        ASSERT_EQ(data.colorVertices.size(), c.colorVertices);
        EXPECT_EQ(data.glyphVerticesGray.size(), c.glyphVertices);
        EXPECT_TRUE(data.glyphVerticesColor.empty());
        if (data.colorVertices.empty())
            continue;
        EXPECT_EQ(data.colorVertices[0].color, rgba(fixture.view.effectiveCaretColor()));
        const Extent e = extentOf(data.colorVertices);
        EXPECT_FLOAT_EQ(e.x0, 0);
        EXPECT_FLOAT_EQ(e.y0, float(bottom));
        const std::string shape = c.shape;
        EXPECT_FLOAT_EQ(e.x1, float(shape == "bar" ? 2 * scale : cw));
        EXPECT_FLOAT_EQ(e.y1, float(shape == "underline" ? bottom + 2 * scale : top));
        if (c.glyphVertices) {
            EXPECT_EQ(data.glyphVerticesGray[0].color, rgba(fixture.view.effectiveCaretTextColor()));
            EXPECT_TRUE(extentOf(data.glyphVerticesGray).x1 <= cw);
        }
    }
}

TEST(MetalCursorDrawData, AWideCellIsCoveredWholeAndADoubleWidthRowDoubled)
{
    if (!QFontDatabase::families().contains("Noto Sans CJK SC"))
        GTEST_SKIP() << "Noto Sans CJK SC is not installed";
    RendererFixture fixture;
    feed(fixture.view, "\xe4\xb8\xad\r\n\x1b#6ab\x1b[1D");
    fixture.view.setCaretViewTracksFocus(false);
    fixture.view.terminal().options.cursorStyle = CursorStyle::steadyUnderline;
    const double cw = fixture.cellWidth();
    // Row 1, column 1 of a double-width row.
    Extent e = extentOf(cursor(fixture, 1).colorVertices);
    EXPECT_FLOAT_EQ(e.x0, float(2 * cw));
    EXPECT_FLOAT_EQ(e.x1, float(4 * cw));
    feed(fixture.view, "\x1b[1;1H");
    for (CursorStyle style : { CursorStyle::steadyBlock, CursorStyle::steadyUnderline }) {
        fixture.view.terminal().options.cursorStyle = style;
        e = extentOf(cursor(fixture, 1).colorVertices);
        EXPECT_FLOAT_EQ(e.x0, 0);
        EXPECT_FLOAT_EQ(e.x1, float(2 * cw));
    }
}

TEST(MetalCursorDrawData, EmojiUnderABlockKeepTheirColours)
{
    if (!QFontDatabase::families().contains("Noto Color Emoji"))
        GTEST_SKIP() << "Noto Color Emoji is not installed";
    RendererFixture fixture;
    feed(fixture.view, "\xf0\x9f\xa6\x80\r");
    fixture.view.setCaretViewTracksFocus(false);
    fixture.view.terminal().options.cursorStyle = CursorStyle::steadyBlock;
    const CursorDrawData data = cursor(fixture, 2);
    ASSERT_EQ(data.glyphVerticesColor.size(), 6u);
    EXPECT_EQ(data.glyphVerticesColor[0].color, (std::array<float, 4> { 1, 1, 1, 1 }));
    EXPECT_TRUE(data.glyphVerticesGray.empty());
}

TEST(MetalCursorDrawData, AHiddenOrScrolledAwayCursorDrawsNothing)
{
    RendererFixture fixture;
    fixture.view.setCaretViewTracksFocus(false);
    fixture.view.terminal().options.cursorStyle = CursorStyle::steadyBlock;
    ASSERT_FALSE(cursor(fixture, 1).colorVertices.empty());
    feed(fixture.view, "\x1b[?25l");
    EXPECT_TRUE(cursor(fixture, 1).colorVertices.empty());
    feed(fixture.view, "\x1b[?25h");
    for (int i = 0; i < 10; i++)
        feed(fixture.view, "\r\n");
    fixture.view.scrollUp(6);
    EXPECT_TRUE(cursor(fixture, 1).colorVertices.empty());
}

} // namespace
} // namespace zentrova
