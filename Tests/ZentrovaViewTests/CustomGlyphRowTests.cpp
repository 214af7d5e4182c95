#include "CustomGlyphTestSupport.h"
#include "TerminalViewTestSupport.h"

#include "ZentrovaView/CustomGlyphs/CustomGlyphImageCache.h"
#include "ZentrovaView/CustomGlyphs/CustomGlyphRowPainter.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zentrova {
namespace {

ViewLineInfo firstRow(TerminalView& view)
{
    Buffer& buffer = view.terminal().buffer();
    const int ring = buffer.yBase();
    return view.buildAttributedString(ring, buffer.line(ring), view.terminal().cols);
}

TEST(CustomGlyphLayout, RowListsTheCellsTheViewPaintsItself)
{
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 200) };
    view.terminal().resize(20, 5);
    // "a▀─\u{E0B0}\u{E0B1}" with the half block in red.
    feed(view, "a\x1b[31m\xe2\x96\x80\x1b[0m\xe2\x94\x80\xee\x82\xb0\xee\x82\xb1");
    const ViewLineInfo info = firstRow(view);
    ASSERT_EQ(info.blockElements.size(), 1u);
    EXPECT_EQ(info.blockElements[0].column, 1);
    EXPECT_EQ(info.blockElements[0].codePoint, 0x2580u);
    EXPECT_EQ(info.blockElements[0].rects, *BlockElementMapping::rects(0x2580));
    ASSERT_EQ(info.boxDrawings.size(), 1u);
    EXPECT_EQ(info.boxDrawings[0].column, 2);
    ASSERT_EQ(info.powerlines.size(), 1u);
    EXPECT_EQ(info.powerlines[0].column, 3);
    // The items take their cell's text colour; their cells are spaces, the outline separator stays text.
    ASSERT_FALSE(info.segments.empty());
    const ViewLineSegment& segment = info.segments[0];
    EXPECT_EQ(segment.text.left(5), QString("a   ") + QChar(0xE0B1));
    EXPECT_NE(info.blockElements[0].foregroundColor, info.boxDrawings[0].foregroundColor);
    EXPECT_EQ(info.boxDrawings[0].foregroundColor, segment.runs.back().style.foreground);

    view.setCustomBlockGlyphs(false);
    const ViewLineInfo plain = firstRow(view);
    EXPECT_TRUE(plain.blockElements.empty() && plain.boxDrawings.empty() && plain.powerlines.empty());
    EXPECT_EQ(plain.segments[0].text.left(5).toStdU32String(), U"a\u2580\u2500\uE0B0\uE0B1");
}

TEST(CustomGlyphRowPainting, FractionalCellsStillJoinOnWholePixels)
{
    ViewLineInfo info;
    for (int column = 0; column < 3; ++column) {
        info.boxDrawings.push_back({ column, 1, 0x2500, Qt::white });
        info.blockElements.push_back({ column, 1, 0x2584, *BlockElementMapping::rects(0x2584), Qt::white });
    }
    for (const qreal ratio : { 1.0, 2.0 }) {
        QImage image(QSize(60, 60) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        // Cells 7.3 units wide on a row 16.6 units tall that starts between pixels.
        CustomGlyphRowMetrics metrics { QRectF(0.4, 0.3, 21.9, 16.6), 7.3, ratio, customGlyphBaseThickness(ratio, 1),
                                        false };
        ViewLineInfo boxes;
        boxes.boxDrawings = info.boxDrawings;
        paintCustomGlyphRow(painter, boxes, metrics);
        metrics.rowRect.translate(0, 20);
        ViewLineInfo blocks;
        blocks.blockElements = info.blockElements;
        paintCustomGlyphRow(painter, blocks, metrics);
        painter.end();

        const int cellPx = qRound(7.3 * ratio);
        const int left = qRound(0.4 * ratio);
        const QStringList rows = coverage(image);
        int lineRows = 0;
        for (const QString& row : rows.mid(0, qRound(16.9 * ratio))) {
            if (row.contains('#')) {
                ++lineRows;
                EXPECT_EQ(row.mid(left, 3 * cellPx), QString(3 * cellPx, '#')) << ratio;
                EXPECT_EQ(row.count('#'), 3 * cellPx) << ratio;
            }
        }
        EXPECT_EQ(lineRows, customGlyphBaseThickness(ratio, 1)) << ratio;
        // The lower halves: every covered row is covered across all three cells, without a gap.
        const QString blockRow = rows[qRound(36.0 * ratio)];
        EXPECT_EQ(blockRow.mid(left, 3 * cellPx), QString(3 * cellPx, '#')) << ratio;
    }
}

// The row pass copies glyphs painted once in white and tinted; they must come out as the painters
// draw them in the cell's colour, anti-aliased edges and shades included.
TEST(CustomGlyphRowPainting, CachedGlyphsMatchWhatThePaintersDraw)
{
    const QColor color(200, 120, 40);
    for (const qreal ratio : { 1.0, 2.0 }) {
        const int baseThickness = customGlyphBaseThickness(ratio, 1);
        const QSize cellPx = QSize(8, 17) * ratio;
        for (std::uint32_t code = 0x2500; code <= 0x259F; ++code) {
            SCOPED_TRACE(testing::Message() << std::hex << code << " at ratio " << ratio);
            ViewLineInfo info;
            if (const auto* rects = BlockElementMapping::rects(code))
                info.blockElements.push_back({ 1, 1, code, *rects, color });
            else
                info.boxDrawings.push_back({ 1, 1, code, color });
            QImage row(QSize(cellPx.width() * 3, cellPx.height()), QImage::Format_ARGB32_Premultiplied);
            row.setDevicePixelRatio(ratio);
            row.fill(Qt::transparent);
            QPainter painter(&row);
            paintCustomGlyphRow(painter, info, { QRectF(0, 0, 24, 17), 8, ratio, baseThickness, false });
            painter.end();

            CustomGlyphRequest request;
            request.codePoint = code;
            request.cellPx = cellPx;
            request.devicePixelRatio = ratio;
            request.color = color;
            request.baseThicknessPx = baseThickness;
            const QImage direct = renderCustomGlyph(request);
            int worst = 0;
            for (int y = 0; y < cellPx.height(); ++y) {
                for (int x = 0; x < cellPx.width(); ++x) {
                    const QRgb a = row.pixel(cellPx.width() + x, y);
                    const QRgb b = direct.pixel(x, y);
                    worst = std::max({ worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                       std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b)) });
                }
            }
            // Tinting a white coverage rounds once more than painting in the colour: the thin
            // anti-aliased diagonals differ by up to 4 of 255 at their faint edges.
            EXPECT_LE(worst, 4);
        }
    }
}

TEST(CustomGlyphImageCache, OneEntryPerGlyphAndSizeWithItsColoursTintedFromIt)
{
    CustomGlyphImageCache cache;
    const CustomGlyphImageKey key { 0x2588, 8, 16, 1, 0, false };
    const QImage& red = cache.image(key, Qt::red);
    const qint64 redKey = red.cacheKey();
    EXPECT_EQ(red.size(), QSize(8 + 2 * CustomGlyphImageCache::margin, 16 + 2 * CustomGlyphImageCache::margin));
    EXPECT_EQ(red.pixelColor(CustomGlyphImageCache::margin, CustomGlyphImageCache::margin), QColor(Qt::red));
    EXPECT_EQ(red.pixelColor(0, 0).alpha(), 0) << "the margin stays clear";
    EXPECT_EQ(cache.image(key, Qt::red).cacheKey(), redKey) << "painted once";
    EXPECT_EQ(cache.image(key, Qt::blue).pixelColor(4, 4), QColor(Qt::blue));
    EXPECT_EQ(cache.size(), 1u) << "colours share the painted glyph";

    CustomGlyphImageKey other = key;
    other.heightPx = 17;
    cache.image(other, Qt::red);
    other.antiAlias = true;
    cache.image(other, Qt::red);
    other.scale = 2;
    cache.image(other, Qt::red);
    EXPECT_EQ(cache.size(), 4u);

    EXPECT_TRUE(cache.image({ 'A', 8, 16, 1, 1, false }, Qt::red).isNull());
    EXPECT_TRUE(cache.image({ 0x2500, 0, 16, 1, 1, false }, Qt::red).isNull());
}

// A double-width row doubles its cells, but the powerline seam beside a separator's flat side stays
// one device pixel wide: the row snaps the shape to half of its own units.
TEST(CustomGlyphRowPainting, PowerlineSeamOnADoubleWidthRowIsOneDevicePixel)
{
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 200) };
    view.terminal().resize(10, 3);
    view.setNativeBackgroundColor(Qt::black);
    view.setNativeForegroundColor(Qt::white);
    // " \u{E0B0}" on a double-width row.
    feed(view, "\x1b#6 \xee\x82\xb0");
    const double ratio = view.devicePixelRatioF();
    QImage image((QSizeF(view.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.drawTerminalContents(QRectF(view.rect()), painter, view.terminal().buffer().yDisp());
    painter.end();

    // Column 1 starts at twice the cell's pixel width; the seam lies just left of it, mid-row.
    const int flatSide = 2 * int(std::lround(view.cellDimension()->width() * ratio));
    const int y = int(view.cellDimension()->height() * ratio / 2);
    EXPECT_EQ(image.pixelColor(flatSide, y), QColor(Qt::white)) << "the separator";
    EXPECT_EQ(image.pixelColor(flatSide - 1, y), QColor(Qt::white)) << "the seam";
    EXPECT_EQ(image.pixelColor(flatSide - 2, y), QColor(Qt::black)) << "the blank cell before it";
}

TEST(CustomGlyphRowPainting, BaseThicknessFollowsScaleAndUnderline)
{
    EXPECT_EQ(customGlyphBaseThickness(1, 1), 1);
    EXPECT_EQ(customGlyphBaseThickness(2, 1), 3); // 2 × 1 × 1.35 rounds to 3
    EXPECT_EQ(customGlyphBaseThickness(2, 0.5), 2);
    EXPECT_EQ(customGlyphBaseThickness(0.4, 0.2), 1);
}

} // namespace
} // namespace zentrova
