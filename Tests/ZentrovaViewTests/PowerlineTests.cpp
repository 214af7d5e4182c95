#include "CustomGlyphTestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

namespace zentrova {
namespace {

TEST(PowerlineRenderer, OnlyTheSolidSeparatorsHaveGlyphs)
{
    EXPECT_EQ(PowerlineRenderer::glyph(0xE0B0), (PowerlineGlyph { true, false }));
    EXPECT_EQ(PowerlineRenderer::glyph(0xE0B2), (PowerlineGlyph { false, false }));
    EXPECT_EQ(PowerlineRenderer::glyph(0xE0B4), (PowerlineGlyph { true, true }));
    EXPECT_EQ(PowerlineRenderer::glyph(0xE0B6), (PowerlineGlyph { false, true }));
    for (const std::uint32_t outline : { 0xE0B1u, 0xE0B3u, 0xE0B5u, 0xE0B7u, 0x2588u }) {
        EXPECT_FALSE(PowerlineRenderer::glyph(outline)) << std::hex << outline;
        EXPECT_FALSE(PowerlineRenderer::devicePixelJoinRect(outline, 0, 0, 8, 16)) << std::hex << outline;
    }
}

TEST(PowerlineRenderer, JoinRectStandsOutsideTheFlatSide)
{
    EXPECT_EQ(PowerlineRenderer::devicePixelJoinRect(0xE0B0, 16, 32, 24, 48), (GlyphPixelRect { 15, 32, 16, 48, 1 }));
    EXPECT_EQ(PowerlineRenderer::devicePixelJoinRect(0xE0B6, 16, 32, 24, 48), (GlyphPixelRect { 24, 32, 25, 48, 1 }));
}

TEST(PowerlineRenderer, TipLandsOnAWholePixelAtOddHeights)
{
    for (const int height : { 15, 16, 17, 33 }) {
        const PowerlineShape shape = PowerlineRenderer::shape({ true, false }, 0, 0, 9, height, 1, 1);
        EXPECT_EQ(shape.tipY, std::floor(shape.tipY)) << height;
        EXPECT_LE(std::abs(shape.tipY - height / 2.0), 0.5) << height;
    }
    // Painted, the tip row is the one fully covered column at the cell's right edge.
    const QImage image = renderGlyph(0xE0B0, 9, 17);
    int fullestRow = -1;
    for (int y = 0; y < 17; ++y)
        if (fullestRow < 0 || alphaAt(image, 8, y) > alphaAt(image, 8, fullestRow))
            fullestRow = y;
    EXPECT_TRUE(fullestRow == 8 || fullestRow == 9) << fullestRow;
}

TEST(PowerlineRenderer, DoubleWidthRowsSnapToHalfPixels)
{
    // In a doubled row one unit of the row's own space is half a device pixel.
    const PowerlineShape shape = PowerlineRenderer::shape({ true, false }, 3.7, 0.2, 8.1, 16.9, 0.5, 1);
    EXPECT_DOUBLE_EQ(shape.left, 3.5);
    EXPECT_DOUBLE_EQ(shape.right, 8.5);
    EXPECT_DOUBLE_EQ(shape.top, 0);
    EXPECT_DOUBLE_EQ(shape.bottom, 17);
    EXPECT_DOUBLE_EQ(shape.seam.x0, 3);
    EXPECT_DOUBLE_EQ(shape.seam.x1, 3.5);
}

TEST(PowerlineRenderer, PointsTheWayItsCodePointSays)
{
    for (const qreal ratio : { 1.0, 2.0 }) {
        const QImage right = renderGlyph(0xE0B0, 9, 17, ratio);
        EXPECT_EQ(alphaAt(right, 0, 8), 255);
        EXPECT_EQ(alphaAt(right, 8, 0), 0);
        EXPECT_EQ(alphaAt(right, 8, 16), 0);
        const QImage left = renderGlyph(0xE0B2, 9, 17, ratio);
        EXPECT_EQ(alphaAt(left, 8, 8), 255);
        EXPECT_EQ(alphaAt(left, 0, 0), 0);
        EXPECT_EQ(alphaAt(left, 0, 16), 0);
        const QImage rounded = renderGlyph(0xE0B4, 9, 17, ratio);
        // A half-ellipse is fuller than the triangle away from the middle row.
        EXPECT_GT(alphaAt(rounded, 4, 3), alphaAt(right, 4, 3));
    }
}

TEST(PowerlineRenderer, SeamStripCoversThePixelColumnOutsideTheFlatSide)
{
    QImage image(11, 17, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    CustomGlyphPainter::paintPowerline(painter, PowerlineRenderer::shape({ true, true }, 1, 0, 5, 17, 1, 1), Qt::white);
    CustomGlyphPainter::paintPowerline(painter, PowerlineRenderer::shape({ false, false }, 5, 0, 9, 17, 1, 1), Qt::white);
    painter.end();
    for (int y = 0; y < 17; ++y) {
        EXPECT_EQ(alphaAt(image, 0, y), 255) << y;  // left of the right-pointing glyph
        EXPECT_EQ(alphaAt(image, 9, y), 255) << y;  // right of the left-pointing glyph
        EXPECT_EQ(alphaAt(image, 10, y), 0) << y;
    }
}

TEST(PowerlineRenderer, SeparatorBesideItsOwnSegmentShowsNoSeam)
{
    // The segment ends on a fractional pixel, as text backgrounds may; the separator follows it.
    QImage image(24, 17, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor segment(200, 30, 30);
    painter.fillRect(QRectF(0, 0, 8.4, 17), segment);
    CustomGlyphPainter::paintPowerline(painter, PowerlineRenderer::shape({ true, false }, 8.4, 0, 17.4, 17, 1, 1),
                                       segment);
    painter.end();
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x <= 8; ++x) {
            if (x == 8 && (y == 0 || y == 16))
                continue; // the triangle's slanted edges start right at the base corners
            ASSERT_EQ(image.pixel(x, y), segment.rgb()) << x << "," << y;
        }
    }
}

} // namespace
} // namespace zentrova
