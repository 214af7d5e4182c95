#include "CustomGlyphTestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <queue>

namespace zentrova {
namespace {

QStringList boxCoverage(std::uint32_t codePoint, int widthPx, int heightPx, qreal ratio = 1, int base = 1)
{
    return coverage(renderGlyph(codePoint, widthPx, heightPx, ratio, 1, base));
}

TEST(BoxDrawing, EveryBoxCodePointDrawsAndNothingElseDoes)
{
    for (const qreal ratio : { 1.0, 2.0 }) {
        for (const QSize cell : { QSize(8, 16), QSize(9, 17), QSize(5, 9) }) {
            for (std::uint32_t codePoint = 0x2500; codePoint <= 0x257F; ++codePoint)
                EXPECT_TRUE(hasInk(renderGlyph(codePoint, cell.width(), cell.height(), ratio)))
                    << std::hex << codePoint << std::dec << " in " << cell.width() << "x" << cell.height();
        }
    }
    EXPECT_FALSE(boxDrawingShape(0x25A0, 8, 16, 1, 1).has_value());
    EXPECT_FALSE(boxDrawingShape(0x24FF, 8, 16, 1, 1).has_value());
    EXPECT_TRUE(renderGlyph(0x25A0, 8, 16).isNull());
}

// Which cell edges carry ink, as a subset of "URDL".
QString edgesReached(const QStringList& rows)
{
    const auto inked = [](QChar c) { return c != '.'; };
    QString edges;
    if (std::any_of(rows.first().begin(), rows.first().end(), inked))
        edges += 'U';
    if (std::any_of(rows.begin(), rows.end(), [&](const QString& row) { return inked(row.back()); }))
        edges += 'R';
    if (std::any_of(rows.last().begin(), rows.last().end(), inked))
        edges += 'D';
    if (std::any_of(rows.begin(), rows.end(), [&](const QString& row) { return inked(row.front()); }))
        edges += 'L';
    return edges;
}

TEST(BoxDrawing, ArmsReachExactlyTheEdgesTheirNamesGive)
{
    const struct {
        std::uint32_t codePoint;
        const char* edges;
    } cases[] = {
        { 0x2500, "RL" },   { 0x2503, "UD" },   { 0x250C, "RD" },   { 0x2513, "DL" },   { 0x2517, "UR" },
        { 0x251B, "UL" },   { 0x251C, "URD" },  { 0x2525, "UDL" },  { 0x252C, "RDL" },  { 0x2537, "URL" },
        { 0x253C, "URDL" }, { 0x254B, "URDL" }, { 0x2550, "RL" },   { 0x2551, "UD" },   { 0x2554, "RD" },
        { 0x255D, "UL" },   { 0x2560, "URD" },  { 0x2569, "URL" },  { 0x256C, "URDL" }, { 0x2574, "L" },
        { 0x2575, "U" },    { 0x257A, "R" },    { 0x257B, "D" },    { 0x257E, "RL" },   { 0x256D, "RD" },
        { 0x256E, "DL" },   { 0x256F, "UL" },   { 0x2570, "UR" },   { 0x2571, "URDL" },
    };
    for (const qreal ratio : { 1.0, 2.0 })
        for (const auto& box : cases)
            EXPECT_EQ(edgesReached(boxCoverage(box.codePoint, 9, 17, ratio)), box.edges) << std::hex << box.codePoint;
}

QStringList mirroredLeftRight(QStringList rows)
{
    for (QString& row : rows)
        std::reverse(row.begin(), row.end());
    return rows;
}

TEST(BoxDrawing, MirrorPairsAreMirrorImages)
{
    // Mirroring is exact where the line sits centred: an odd width with odd lines, an even one with even lines.
    const struct {
        std::uint32_t left;
        std::uint32_t right;
    } pairs[] = { { 0x251C, 0x2524 }, { 0x250C, 0x2510 }, { 0x2514, 0x2518 }, { 0x2552, 0x2555 },
                  { 0x2560, 0x2563 }, { 0x256D, 0x256E }, { 0x2570, 0x256F },
                  { 0x2576, 0x2574 }, { 0x257C, 0x257E } };
    for (const auto& pair : pairs) {
        EXPECT_EQ(mirroredLeftRight(boxCoverage(pair.left, 9, 17)), boxCoverage(pair.right, 9, 17))
            << std::hex << pair.left;
        EXPECT_EQ(mirroredLeftRight(boxCoverage(pair.left, 16, 34, 2, 2)), boxCoverage(pair.right, 16, 34, 2, 2))
            << std::hex << pair.left;
    }
}

TEST(BoxDrawing, HorizontalLineAtScaleTwoFillsItsBandAcrossTheCell)
{
    const QStringList rows = boxCoverage(0x2500, 16, 35, 2, 2);
    for (int y = 0; y < rows.size(); ++y)
        EXPECT_EQ(rows[y], y == 16 || y == 17 ? QString(16, '#') : QString(16, '.')) << y;
}

TEST(BoxDrawing, CrossingsMeetAtTheCentre)
{
    const QStringList light = boxCoverage(0x253C, 9, 17);
    for (int y = 0; y < 17; ++y)
        EXPECT_EQ(light[y], y == 8 ? "#########" : "....#....") << y;

    // The double crossing leaves its centre open: each arm stops at the crossing line's inner stroke.
    const QStringList doubled = boxCoverage(0x256C, 9, 17);
    for (int y = 0; y < 17; ++y) {
        const char* expected = y == 7 || y == 9 ? "####.####" : y == 8 ? "........." : "...#.#...";
        EXPECT_EQ(doubled[y], expected) << y;
    }
}

TEST(BoxDrawing, TiledCrossingsShowNoSeam)
{
    QImage image(27, 51, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const std::optional<BoxDrawingShape> shape = boxDrawingShape(0x253C, 9, 17, 1, 1);
    ASSERT_TRUE(shape);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            CustomGlyphPainter::paintBoxDrawing(painter, QPointF(9 * column, 17 * row), *shape, Qt::white);
    painter.end();
    const QStringList rows = coverage(image);
    for (int y = 0; y < 51; ++y)
        EXPECT_EQ(rows[y], y % 17 == 8 ? QString(27, '#') : QString("....#........#........#....")) << y;
}

TEST(BoxDrawing, DashesFallBackToOneLineInNarrowCells)
{
    const QStringList narrow = boxCoverage(0x2504, 5, 9);
    for (int y = 0; y < 9; ++y)
        EXPECT_EQ(narrow[y], y == 4 ? "#####" : ".....") << y;

    // Wide enough for three dashes with their gaps, the remainder pixels going to the first dashes.
    const QStringList dashed = boxCoverage(0x2504, 20, 9);
    EXPECT_EQ(dashed[4], ".####...####...###..");
    EXPECT_EQ(dashed[3], QString(20, '.'));
}

// Whether inked pixels (alpha at least `threshold`) join `from` to `to` through their sides.
bool joined(const QImage& image, QPoint from, QPoint to, int threshold)
{
    std::vector<bool> seen(static_cast<std::size_t>(image.width() * image.height()));
    std::queue<QPoint> pending;
    pending.push(from);
    while (!pending.empty()) {
        const QPoint p = pending.front();
        pending.pop();
        if (p.x() < 0 || p.y() < 0 || p.x() >= image.width() || p.y() >= image.height())
            continue;
        const auto index = static_cast<std::size_t>(p.y() * image.width() + p.x());
        if (seen[index] || alphaAt(image, p.x(), p.y()) < threshold)
            continue;
        if (p == to)
            return true;
        seen[index] = true;
        for (const QPoint step : { QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1) })
            pending.push(p + step);
    }
    return false;
}

TEST(BoxDrawing, RoundedCornerJoinsItsArmsWithoutAGap)
{
    const std::optional<BoxDrawingShape> shape = boxDrawingShape(0x256D, 8, 16, 1, 1);
    ASSERT_TRUE(shape && shape->arc);
    EXPECT_DOUBLE_EQ(shape->arc->outerRadius - 0.5, 2.4);
    for (const qreal ratio : { 1.0, 2.0 }) {
        const QImage image = renderGlyph(0x256D, 8, 16, ratio);
        EXPECT_TRUE(joined(image, QPoint(7, 7), QPoint(3, 15), 96)) << ratio;
        // The corner is round: the sharp corner of the two lines stays empty.
        EXPECT_LT(alphaAt(image, 3, 7), 64);
    }
    const QImage upLeft = renderGlyph(0x256F, 9, 17);
    EXPECT_TRUE(joined(upLeft, QPoint(0, 8), QPoint(4, 0), 96));
}

TEST(BoxDrawing, DiagonalsOvershootTheCornersByHalfAPixel)
{
    const std::optional<BoxDrawingShape> shape = boxDrawingShape(0x2571, 8, 16, 1, 1);
    ASSERT_TRUE(shape);
    ASSERT_EQ(shape->diagonals.size(), 1u);
    const BoxDiagonal& line = shape->diagonals.front();
    // The taller side overshoots by half a pixel, the narrower by half a pixel times the aspect ratio.
    EXPECT_DOUBLE_EQ(line.x0, 8.25);
    EXPECT_DOUBLE_EQ(line.y0, -0.5);
    EXPECT_DOUBLE_EQ(line.x1, -0.25);
    EXPECT_DOUBLE_EQ(line.y1, 16.5);
    EXPECT_EQ(boxDrawingShape(0x2573, 8, 16, 1, 1)->diagonals.size(), 2u);

    const QImage image = renderGlyph(0x2571, 8, 16);
    EXPECT_GT(alphaAt(image, 7, 0), 0);
    EXPECT_GT(alphaAt(image, 0, 15), 0);
    EXPECT_EQ(alphaAt(image, 0, 0), 0);
    EXPECT_EQ(alphaAt(image, 7, 15), 0);
}

} // namespace
} // namespace zentrova
