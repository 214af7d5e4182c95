#include "CustomGlyphTestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace zentrova {
namespace {

TEST(BlockElementMapping, CoversExactlyTheBlockElementRange)
{
    EXPECT_EQ(BlockElementMapping::rects(0x257F), nullptr);
    EXPECT_EQ(BlockElementMapping::rects(0x25A0), nullptr);
    for (std::uint32_t codePoint = 0x2580; codePoint <= 0x259F; ++codePoint) {
        const std::vector<BlockElementRect>* rects = BlockElementMapping::rects(codePoint);
        ASSERT_NE(rects, nullptr) << std::hex << codePoint;
        EXPECT_FALSE(rects->empty());
    }
}

// At 8 by 16 pixels every eighth is whole pixels, so each block must cover exactly its table rectangles.
TEST(BlockElementPainting, BlocksCoverExactlyTheirEighthsAtBothRatios)
{
    for (const qreal ratio : { 1.0, 2.0 }) {
        for (std::uint32_t codePoint = 0x2580; codePoint <= 0x259F; ++codePoint) {
            const QImage image = renderGlyph(codePoint, 8, 16, ratio);
            ASSERT_EQ(image.size(), QSize(8, 16));
            const std::vector<BlockElementRect>& rects = *BlockElementMapping::rects(codePoint);
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 8; ++x) {
                    int expected = 0;
                    for (const BlockElementRect& rect : rects)
                        if (x >= rect.x0 && x < rect.x1 && y / 2 >= rect.y0 && y / 2 < rect.y1)
                            expected = qRound(255 * blockAlphaValue(rect.alpha));
                    ASSERT_NEAR(alphaAt(image, x, y), expected, 1)
                        << std::hex << codePoint << std::dec << " at " << x << "," << y << " ratio " << ratio;
                }
            }
        }
    }
}

TEST(BlockElementPainting, OddCellsRoundOutwards)
{
    // 9 by 17: halves fall inside a pixel row or column, which both halves then cover.
    const QStringList lower = coverage(renderGlyph(0x2584, 9, 17));
    const QStringList upper = coverage(renderGlyph(0x2580, 9, 17));
    for (int y = 0; y < 17; ++y) {
        EXPECT_EQ(lower[y], y >= 8 ? "#########" : ".........") << y;
        EXPECT_EQ(upper[y], y <= 8 ? "#########" : ".........") << y;
    }
    const QStringList quadrant = coverage(renderGlyph(0x2597, 9, 17, 2));
    EXPECT_EQ(quadrant[7], ".........");
    EXPECT_EQ(quadrant[8], "....#####");
    EXPECT_EQ(quadrant[16], "....#####");
    const QStringList eighth = coverage(renderGlyph(0x258F, 9, 17));
    EXPECT_EQ(eighth[0], "##.......");
}

TEST(BlockElementPainting, WideBlockStretchesOverBothColumns)
{
    const QImage image = renderGlyph(0x258C, 8, 16, 1, 2);
    ASSERT_EQ(image.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        EXPECT_EQ(coverage(image)[y], "########........");
    const QImage lower = renderGlyph(0x2582, 8, 16, 1, 2);
    EXPECT_EQ(coverage(lower)[11], "................");
    EXPECT_EQ(coverage(lower)[12], "################");
}

TEST(BlockElementPainting, ShadesKeepTheirShareOfTheColourAlpha)
{
    const struct {
        std::uint32_t codePoint;
        int alpha;
    } shades[] = { { 0x2591, 64 }, { 0x2592, 128 }, { 0x2593, 191 }, { 0x2588, 255 } };
    for (const auto& shade : shades) {
        const QImage image = renderGlyph(shade.codePoint, 9, 17);
        EXPECT_NEAR(alphaAt(image, 0, 0), shade.alpha, 1) << std::hex << shade.codePoint;
        EXPECT_NEAR(alphaAt(image, 8, 16), shade.alpha, 1) << std::hex << shade.codePoint;
    }
    // A half-transparent foreground is shaded from its own alpha.
    CustomGlyphRequest request;
    request.codePoint = 0x2592;
    request.cellPx = QSize(8, 16);
    request.color = QColor(255, 255, 255, 128);
    EXPECT_NEAR(alphaAt(renderCustomGlyph(request), 3, 3), 64, 1);
}

// Paints glyphs into a grid with additive blending, so a pixel covered twice shows twice the alpha.
QImage tiled(const std::vector<std::vector<std::uint32_t>>& rows, int widthPx, int heightPx)
{
    QImage image(widthPx * static_cast<int>(rows[0].size()), heightPx * static_cast<int>(rows.size()),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    for (std::size_t row = 0; row < rows.size(); ++row)
        for (std::size_t column = 0; column < rows[row].size(); ++column)
            CustomGlyphPainter::paintBlockElement(painter,
                                                  QPointF(widthPx * static_cast<int>(column),
                                                          heightPx * static_cast<int>(row)),
                                                  *BlockElementMapping::rects(rows[row][column]),
                                                  QSizeF(widthPx, heightPx), QColor(255, 255, 255, 100), false);
    return image;
}

TEST(BlockElementPainting, NeighbouringCellsLeaveNoGapAndNoOverlap)
{
    const QImage full = tiled({ { 0x2588, 0x2588, 0x2588 }, { 0x2588, 0x2588, 0x2588 }, { 0x2588, 0x2588, 0x2588 } },
                              9, 17);
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x)
            ASSERT_EQ(alphaAt(full, x, y), 100) << x << "," << y;

    // A lower half over an upper half makes one bar across the row boundary, each pixel painted once.
    const QImage stacked = tiled({ { 0x2584 }, { 0x2580 } }, 9, 17);
    for (int y = 0; y < stacked.height(); ++y)
        EXPECT_EQ(alphaAt(stacked, 4, y), y >= 8 && y < 26 ? 100 : 0) << y;
}

} // namespace
} // namespace zentrova
