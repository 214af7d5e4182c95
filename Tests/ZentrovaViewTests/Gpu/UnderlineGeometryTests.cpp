#include "ZentrovaView/Gpu/UnderlineGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zentrova {
namespace {

using Mode = BufferLine::RenderLineMode;

struct Span {
    float x0, x1, y0, y1;
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& s)
{
    return out << "[" << s.x0 << "," << s.x1 << "]x[" << s.y0 << "," << s.y1 << "]";
}

std::vector<Span> segments(DecorationLine line)
{
    std::vector<ColorCell> cells;
    appendUnderlineSegments(line, cells);
    std::vector<Span> spans;
    for (const ColorCell& cell : cells) {
        EXPECT_EQ(cell.color, line.color);
        spans.push_back({ cell.position[0], cell.position[0] + cell.size[0], cell.position[1], cell.position[1] + cell.size[1] });
    }
    return spans;
}

DecorationLine line(float x0, float x1, float yCenter, float thickness, UnderlineStyle style, float patternScale = 1)
{
    DecorationLine l;
    l.x0 = x0;
    l.x1 = x1;
    l.yCenter = yCenter;
    l.thickness = thickness;
    l.style = style;
    l.patternScale = patternScale;
    l.color = { 0.25f, 0.5f, 0.75f, 1 };
    return l;
}

TEST(UnderlineGeometry, StylesResolveFromTheTerminalsKeyThenThePlatformBits)
{
    struct Case {
        std::optional<int> key;
        int platform;
        UnderlineStyle expected;
    };
    for (Case c : { Case { std::nullopt, 0x09, UnderlineStyle::double_ }, Case { std::nullopt, 0x01, UnderlineStyle::single },
                    Case { std::nullopt, 0x101, UnderlineStyle::dotted }, Case { std::nullopt, 0x301, UnderlineStyle::dotted },
                    Case { std::nullopt, 0x201, UnderlineStyle::dashed }, Case { std::nullopt, 0x401, UnderlineStyle::dashed },
                    Case { std::nullopt, 0x109, UnderlineStyle::double_ }, Case { std::nullopt, 0, UnderlineStyle::none },
                    Case { 3, 0x01, UnderlineStyle::curly }, Case { 0, 0x01, UnderlineStyle::none },
                    Case { 6, 0x09, UnderlineStyle::double_ }, Case { -1, 0x201, UnderlineStyle::dashed },
                    Case { 300, 0x01, UnderlineStyle::single } })
        EXPECT_EQ(resolveUnderlineStyle(c.key, c.platform), c.expected) << c.key.value_or(-99) << " " << c.platform;

    // A run is underlined only when the platform bits are set, whatever the terminal's key says.
    EXPECT_EQ(runUnderlineStyle(3, 0), UnderlineStyle::none);
    EXPECT_EQ(runUnderlineStyle(3, 0x01), UnderlineStyle::curly);

    EXPECT_EQ(resolveStrikethroughStyle(0x101), UnderlineStyle::dotted);
    EXPECT_EQ(resolveStrikethroughStyle(0x201), UnderlineStyle::dashed);
    EXPECT_EQ(resolveStrikethroughStyle(0x09), UnderlineStyle::single);
}

TEST(UnderlineGeometry, LinesSitWhereTheFontPutsThem)
{
    // A double underline's second line: one thickness plus one point below the first.
    EXPECT_EQ(underlineLineCenters(UnderlineStyle::double_, 10, 1, 2), (std::vector<float> { 20, 16 }));
    EXPECT_EQ(underlineLineCenters(UnderlineStyle::curly, 10, 1, 2), (std::vector<float> { 20 }));
    EXPECT_TRUE(underlineLineCenters(UnderlineStyle::none, 10, 1, 2).empty());

    // Strike-through: halfway up the x-height plus half a thickness; the double bits add a line.
    EXPECT_EQ(strikethroughLineCenters(0x09, 10, 1, 5, 2), (std::vector<float> { 21, 17 }));
    EXPECT_EQ(strikethroughLineCenters(0x01, 10, 1, 5, 2), (std::vector<float> { 21 }));
    EXPECT_DOUBLE_EQ(strikethroughThickness(2, 0.7), 0.5);
    EXPECT_DOUBLE_EQ(strikethroughThickness(2, 1.3), 1.5);
    EXPECT_DOUBLE_EQ(strikethroughThickness(1, 0.1), 0.5);

    const DecorationSpan span = decorationSpan(7.5, 3, 2);
    EXPECT_FLOAT_EQ(span.x0, 45);
    EXPECT_FLOAT_EQ(span.x1, 61) << "a whole cell, its width rounded up";
}

TEST(UnderlineGeometry, PatternsCutTheLineIntoDotsAndDashes)
{
    // At scale 2 and a one-pixel line the unit is 2 pixels.
    EXPECT_EQ(segments(line(0, 20, 10, 1, UnderlineStyle::dotted, 2)),
              (std::vector<Span> { { 0, 2, 9.5, 10.5 }, { 6, 8, 9.5, 10.5 }, { 12, 14, 9.5, 10.5 }, { 18, 20, 9.5, 10.5 } }));
    EXPECT_EQ(segments(line(0, 18, 10, 1, UnderlineStyle::dashed, 2)),
              (std::vector<Span> { { 0, 4, 9.5, 10.5 }, { 8, 12, 9.5, 10.5 }, { 16, 18, 9.5, 10.5 } }));
    // A thick line sets its own unit.
    EXPECT_EQ(segments(line(0, 10, 10, 3, UnderlineStyle::dotted, 1)),
              (std::vector<Span> { { 0, 3, 8.5, 11.5 }, { 9, 10, 8.5, 11.5 } }));
    EXPECT_EQ(segments(line(2, 7, 10, 2, UnderlineStyle::single)), (std::vector<Span> { { 2, 7, 9, 11 } }));
    EXPECT_EQ(segments(line(2, 7, 10, 2, UnderlineStyle::double_)), (std::vector<Span> { { 2, 7, 9, 11 } }));
    EXPECT_TRUE(segments(line(2, 7, 10, 2, UnderlineStyle::none)).empty());
    EXPECT_TRUE(segments(line(2, 7, 10, 0, UnderlineStyle::dotted, 0)).empty());
}

TEST(UnderlineGeometry, CurlyLinesWaveOverFourUnitsWithAnAmplitudeOfOne)
{
    const auto spans = segments(line(0, 16, 10, 2, UnderlineStyle::curly, 1));
    ASSERT_EQ(spans.size(), 8u);
    const float expectedCenters[] = { 10, 12, 10, 8, 10, 12, 10, 8 };
    for (size_t i = 0; i < spans.size(); ++i) {
        EXPECT_FLOAT_EQ(spans[i].x0, 2.0f * float(i));
        EXPECT_FLOAT_EQ(spans[i].x1 - spans[i].x0, 2);
        EXPECT_NEAR((spans[i].y0 + spans[i].y1) / 2, expectedCenters[i], 1e-4) << i;
        EXPECT_NEAR(spans[i].y1 - spans[i].y0, 2, 1e-4);
    }
}

TEST(UnderlineGeometry, DoubleWidthAndHeightRowsScaleTheLine)
{
    struct Case {
        Mode mode;
        Span expected;
    };
    for (Case c : { Case { Mode::single, { 5, 10, 103, 105 } }, Case { Mode::doubleWidth, { 10, 20, 103, 105 } },
                    Case { Mode::doubledTop, { 10, 20, 106, 110 } }, Case { Mode::doubledDown, { 10, 20, 106, 110 } } }) {
        auto l = line(5, 10, 104, 2, UnderlineStyle::single);
        l.renderMode = c.mode;
        l.pivotY = 100;
        EXPECT_EQ(segments(l), (std::vector<Span> { c.expected })) << int(c.mode);
    }
}

TEST(UnderlineGeometry, ClippedRowsClampEachRectangleAndDropEmptyOnes)
{
    auto l = line(0, 18, 10, 1, UnderlineStyle::dashed, 2);
    l.clipRect = DecorationClip { 1, 0, 10, 10.25f };
    EXPECT_EQ(segments(l), (std::vector<Span> { { 1, 4, 9.5, 10.25f }, { 8, 10, 9.5, 10.25f } }));
    l.clipRect = DecorationClip { 0, 20, 100, 30 };
    EXPECT_TRUE(segments(l).empty());
}

} // namespace
} // namespace zentrova
