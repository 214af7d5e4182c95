#include "TerminalViewTestSupport.h"

#include "ZentrovaView/AppleImage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>

#include <cmath>
#include <functional>
#include <set>

namespace zentrova {
namespace {

const QColor background(10, 10, 10);
const QColor foreground(230, 230, 230);
// Shows every pixel the drawing leaves alone.
const QColor untouched(255, 0, 255);

// A 20 × 6 view on a dark background whose height leaves a strip half a row high below the last row.
struct DrawingFixture {
    TerminalView view;

    explicit DrawingFixture(const QFont& font = testFont())
        : view(nullptr, font, TerminalOptions::Default, QSize(400, 300))
    {
        view.setNativeBackgroundColor(background);
        view.setNativeForegroundColor(foreground);
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(cell.height() * 6.5));
        view.terminal().resize(20, 6);
    }

    double ratio() const { return view.devicePixelRatioF(); }
    QRectF cell(int col, int row, int cols = 1) const { return view.cellGeometry().cellRect(col, row, cols); }

    // What drawTerminalContents paints over an image filled with `untouched`.
    QImage draw()
    {
        QImage image((QSizeF(view.size()) * ratio()).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio());
        image.fill(untouched);
        QPainter painter(&image);
        view.drawTerminalContents(QRectF(view.rect()), painter, view.terminal().buffer().yDisp());
        return image;
    }
    // The widget as the window shows it, the cursor hidden so that the caret does not stand over the
    // cells (its own tests look at it).
    QImage grab()
    {
        feed(view, "\x1b[?25l");
        return view.grab().toImage();
    }
};

QColor colorAt(const QImage& image, QPointF logical)
{
    const double ratio = image.devicePixelRatio();
    return image.pixelColor(int(logical.x() * ratio), int(logical.y() * ratio));
}

bool near(const QColor& a, const QColor& b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The device pixels of a logical rectangle that match.
std::vector<QPoint> pixelsIn(const QImage& image, const QRectF& logical, const std::function<bool(QColor)>& match)
{
    const double ratio = image.devicePixelRatio();
    const QRect area = QRect(QPoint(int(std::ceil(logical.left() * ratio)), int(std::ceil(logical.top() * ratio))),
                             QPoint(int(std::floor(logical.right() * ratio)) - 1, int(std::floor(logical.bottom() * ratio)) - 1))
                           .intersected(image.rect());
    std::vector<QPoint> found;
    for (int y = area.top(); y <= area.bottom(); y++) {
        for (int x = area.left(); x <= area.right(); x++) {
            if (match(image.pixelColor(x, y)))
                found.push_back({ x, y });
        }
    }
    return found;
}

size_t countNear(const QImage& image, const QRectF& logical, const QColor& color)
{
    return pixelsIn(image, logical, [&](QColor c) { return near(c, color); }).size();
}

size_t inkIn(const QImage& image, const QRectF& logical)
{
    return pixelsIn(image, logical, [](QColor c) { return !near(c, background, 12); }).size();
}

// Pixels that differ from the background well inside a rectangle: antialiased edges of a neighbour and
// glyphs a fraction of a pixel wider than their cell do not count.
size_t inkWellInside(const QImage& image, const QRectF& logical)
{
    return inkIn(image, logical.adjusted(1, 1, -1, -1));
}

TEST(TerminalViewDrawing, BackgroundsPaintOnlyWhatDiffersFromTheDefault)
{
    DrawingFixture fixture;
    auto selection = std::make_shared<CountingSelection>(fixture.view.terminal());
    fixture.view.setSelection(selection);
    selection->isActive = false;
    feed(fixture.view, "\x1b[48;2;200;0;0m  \x1b[0m  \x1b[48;2;0;200;0m\xe4\xb8\xad\x1b[0m");
    QImage image = fixture.draw();
    const QColor red(200, 0, 0);
    EXPECT_EQ(colorAt(image, fixture.cell(0, 0).center()), red);
    EXPECT_EQ(colorAt(image, fixture.cell(1, 0).center()), red);
    EXPECT_EQ(colorAt(image, fixture.cell(2, 0).center()), untouched) << "a default background is not painted";
    // The wide cell's background covers both its columns, up to their edges.
    const QRectF wide = fixture.cell(4, 0, 2);
    EXPECT_EQ(colorAt(image, wide.topLeft() + QPointF(0.5, 0.5)), QColor(0, 200, 0));
    EXPECT_EQ(colorAt(image, wide.topRight() + QPointF(-0.5, 0.5)), QColor(0, 200, 0));
    EXPECT_EQ(colorAt(image, fixture.cell(6, 0).center()), untouched);

    // The strip below the last whole row takes the default background.
    const double stripTop = fixture.cell(0, 6).top();
    ASSERT_LT(stripTop + 1, fixture.view.height());
    EXPECT_EQ(colorAt(image, QPointF(5, stripTop + 1)), background);
    EXPECT_EQ(colorAt(image, QPointF(5, fixture.view.height() - 0.5)), background);

    // A selection paints its background over cells of the default background too.
    selection->isActive = true;
    selection->startPosition = { 1, fixture.view.terminal().buffer().yBase() };
    selection->endPosition = { 4, fixture.view.terminal().buffer().yBase() };
    image = fixture.draw();
    EXPECT_EQ(colorAt(image, fixture.cell(0, 0).center()), red);
    for (int col = 1; col < 4; col++)
        EXPECT_EQ(colorAt(image, fixture.cell(col, 0).center()), fixture.view.selectedTextBackgroundColor()) << col;
    EXPECT_EQ(colorAt(image, fixture.cell(4, 0).center() + QPointF(0, -fixture.cell(0, 0).height() * 0.45)),
              QColor(0, 200, 0));
}

TEST(TerminalViewDrawing, TextIsDrawnInItsColourInItsOwnCells)
{
    DrawingFixture fixture;
    // Blue X, a green CJK character from a fallback font, a red accented e (a cluster), a yellow emoji-free
    // astral letter.
    feed(fixture.view, "\x1b[38;2;0;0;255mX\x1b[38;2;0;255;0m\xe4\xb8\xad\x1b[38;2;255;0;0me\xcc\x81"
                       "\x1b[38;2;255;255;0mW");
    const QImage image = fixture.grab();
    const struct {
        const char* name;
        QColor color;
        int col;
        int cols;
    } cells[] = {
        { "latin", QColor(0, 0, 255), 0, 1 },
        { "wide fallback", QColor(0, 255, 0), 1, 2 },
        { "cluster", QColor(255, 0, 0), 3, 1 },
        { "after the cluster", QColor(255, 255, 0), 4, 1 },
    };
    const QRectF row = fixture.cell(0, 0, 20);
    for (const auto& c : cells) {
        SCOPED_TRACE(c.name);
        const QRectF own = fixture.cell(c.col, 0, c.cols);
        const size_t inside = countNear(image, own, c.color);
        EXPECT_GT(inside, 4u);
        EXPECT_LE(countNear(image, row, c.color), inside + inside / 4) << "little of it outside its cells";
    }
    EXPECT_EQ(inkWellInside(image, fixture.cell(5, 0, 15)), 0u);
    EXPECT_EQ(inkWellInside(image, fixture.cell(0, 1, 20)), 0u);
}

// A right-to-left row is drawn in visual order, with mirrored brackets and Arabic presentation forms:
// pixel for pixel what a row drawn as stored shows when the same glyphs are typed there by hand in
// that order. The monospace face has no Hebrew and no alef wasla: those come from Noto Sans Hebrew and
// Noto Sans Arabic.
TEST(TerminalViewDrawing, RightToLeftRowsAreDrawnReorderedMirroredAndShaped)
{
    QFont font = testFont();
    font.setFamilies({ "DejaVu Sans Mono", "Noto Sans Hebrew", "Noto Sans Arabic" });
    DrawingFixture reordered(font);
    DrawingFixture byHand(font);
    byHand.view.setBidiHostPolicy(BidiHostPolicy::legacyLeftToRight);
    const struct {
        const char* name;
        const char* logical;
        const char* visual; // where a row drawn as stored shows the same
        int firstColumn;    // of the text on the screen
    } rows[] = {
        { "Hebrew in brackets", "(\u05D0\u05D1)", "\x1b[17G(\u05D1\u05D0)", 16 },
        { "beh three times: initial, medial, final", "\u0628\u0628\u0628", "\x1b[18G\uFE90\uFE92\uFE91", 17 },
        { "lam-alef ligature, then Latin", "\u0644\u0627 ab", "\x1b[16Gab  \uFEFB", 15 },
        { "beh joined to a final alef wasla", "\u0628\u0671", "\x1b[19G\uFB51\uFE91", 18 },
    };
    for (const auto& row : rows) {
        feed(reordered.view, std::string(row.logical) + "\r\n");
        feed(byHand.view, std::string(row.visual) + "\r\n");
    }
    const QImage image = reordered.grab();
    const QImage expected = byHand.grab();
    const double ratio = image.devicePixelRatio();
    for (int y = 0; y < int(std::size(rows)); y++) {
        SCOPED_TRACE(rows[y].name);
        const QRectF text = reordered.cell(rows[y].firstColumn, y, 20 - rows[y].firstColumn);
        EXPECT_GT(inkIn(image, text), 20u);
        EXPECT_EQ(inkWellInside(image, reordered.cell(0, y, rows[y].firstColumn)), 0u) << "the blank tail is on the left";
        const QRect strip = QRectF(reordered.cell(0, y, 20).topLeft() * ratio, reordered.cell(0, y, 20).size() * ratio)
                                .toAlignedRect();
        EXPECT_EQ(image.copy(strip), expected.copy(strip));
    }
}

TEST(TerminalViewDrawing, ClusterShapedFromSeveralFacesStartsInItsCell)
{
    DrawingFixture fixture;
    // Thumbs up with a skin tone: the fonts here draw it as two glyphs from two faces, which the shaper
    // may list in either order.
    feed(fixture.view, "\x1b[3G\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd");
    const QImage image = fixture.grab();
    EXPECT_GT(inkIn(image, fixture.cell(2, 0, 2)), 10u);
    EXPECT_EQ(inkWellInside(image, fixture.cell(0, 0, 2)), 0u) << "nothing left of the cell";
}

TEST(TerminalViewDrawing, GlyphTallerThanItsSlotIsScaledIntoIt)
{
    DrawingFixture fixture;
    // Rows half as high as the font: an emoji would spill into the rows around it.
    fixture.view.setLineSpacing(0.5);
    fixture.view.terminal().resize(20, 6);
    feed(fixture.view, "\r\n\xf0\x9f\x98\x80");
    const QImage image = fixture.grab();
    EXPECT_GT(inkIn(image, fixture.cell(0, 1, 2)), 10u);
    EXPECT_EQ(inkWellInside(image, fixture.cell(0, 0, 4)), 0u);
    EXPECT_EQ(inkWellInside(image, fixture.cell(0, 2, 4)), 0u);
    EXPECT_EQ(inkWellInside(image, fixture.cell(2, 1, 2)), 0u);
}

// A colour emoji's picture is scaled until it meets its two cells' box in the dimension that binds,
// as other terminals draw it, and stays inside them. The font's picture has a margin of its own, so
// its ink covers most, not all, of that dimension.
TEST(TerminalViewDrawing, AWideColourEmojiFillsItsCellsHeight)
{
    DrawingFixture fixture;
    feed(fixture.view, "\r\n\xf0\x9f\xa6\x80");
    const QImage image = fixture.grab();
    const std::vector<QPoint> ink = pixelsIn(image, fixture.cell(0, 0, 4).united(fixture.cell(0, 2, 4)),
                                             [](QColor c) { return !near(c, background, 12); });
    ASSERT_FALSE(ink.empty());
    QRect box(ink.front(), QSize(1, 1));
    for (const QPoint& p : ink)
        box |= QRect(p, QSize(1, 1));
    const double ratio = image.devicePixelRatio();
    const QRectF slot = fixture.cell(0, 1, 2);
    const QRectF drawn(box.left() / ratio, box.top() / ratio, box.width() / ratio, box.height() / ratio);
    EXPECT_GE(std::max(drawn.width() / slot.width(), drawn.height() / slot.height()), 0.8)
        << "drawn " << drawn.width() << "x" << drawn.height() << " of " << slot.width() << "x" << slot.height();
    EXPECT_TRUE(slot.adjusted(-1, -1, 1, 1).contains(drawn))
        << "drawn " << drawn.x() << "," << drawn.y() << " " << drawn.width() << "x" << drawn.height();
}

TEST(TerminalViewDrawing, UnderlineStylesAndStrikethroughOnTheirRows)
{
    DrawingFixture fixture;
    // Spaces only, so the decorations are the only red pixels; each style on its own row.
    feed(fixture.view, "\x1b[58;2;255;0;0m");
    for (const char* style : { "4:1", "4:2", "4:3", "4:4", "4:5" })
        feed(fixture.view, std::string("\x1b[") + style + "m    \x1b[24m\r\n");
    feed(fixture.view, "\x1b[9;38;2;255;0;0m    \x1b[0m");
    const QImage image = fixture.grab();
    const QColor red(255, 0, 0);
    struct Lines {
        std::set<int> ys;
        size_t columnsCovered = 0;
        size_t width = 0;
    };
    const auto lines = [&](int row) {
        Lines found;
        std::set<int> xs;
        for (const QPoint& p : pixelsIn(image, fixture.cell(0, row, 4), [&](QColor c) { return near(c, red, 90); })) {
            found.ys.insert(p.y());
            xs.insert(p.x());
        }
        found.columnsCovered = xs.size();
        found.width = size_t(fixture.cell(0, row, 4).width() * image.devicePixelRatio());
        return found;
    };
    const auto bands = [](const std::set<int>& ys) {
        int count = 0;
        std::optional<int> previous;
        for (const int y : ys) {
            if (!previous || y != *previous + 1)
                count++;
            previous = y;
        }
        return count;
    };
    const Lines single = lines(0);
    ASSERT_FALSE(single.ys.empty());
    EXPECT_EQ(bands(single.ys), 1);
    EXPECT_GE(single.columnsCovered + 2, single.width) << "a solid line across every cell";

    const Lines doubled = lines(1);
    EXPECT_EQ(bands(doubled.ys), 2);
    EXPECT_GE(doubled.columnsCovered + 2, doubled.width);

    const Lines curly = lines(2);
    EXPECT_GT(curly.ys.size(), single.ys.size() + 1) << "a wave spans more rows of pixels than a line";
    EXPECT_GE(curly.columnsCovered + 2, curly.width);

    for (const int row : { 3, 4 }) {
        SCOPED_TRACE(row == 3 ? "dotted" : "dashed");
        const Lines broken = lines(row);
        EXPECT_GT(broken.columnsCovered, broken.width / 4);
        EXPECT_LT(broken.columnsCovered, broken.width * 9 / 10) << "gaps between dots and dashes";
    }

    // Strike-through crosses the middle of the cells, not their bottom.
    const Lines strike = lines(5);
    ASSERT_FALSE(strike.ys.empty());
    const double middle = fixture.cell(0, 5).center().y() * image.devicePixelRatio();
    const double cellHeight = fixture.cell(0, 5).height() * image.devicePixelRatio();
    EXPECT_LT(std::abs(*strike.ys.begin() - middle), cellHeight / 4);
    EXPECT_GE(strike.columnsCovered + 2, strike.width);
    EXPECT_EQ(inkWellInside(image, fixture.cell(0, 6, 4)), 0u);
}

// A hand-made row strip one cell in size, filled with one colour.
std::shared_ptr<AppleImage> strip(const DrawingFixture& fixture, const QColor& color, bool kitty, int zIndex,
                                  std::optional<uint32_t> imageId)
{
    const QSizeF cell = fixture.cell(0, 0).size();
    QImage image((cell * fixture.ratio()).toSize(), QImage::Format_RGBA8888);
    image.fill(color);
    image.setDevicePixelRatio(fixture.ratio());
    auto made = std::make_shared<AppleImage>(image, int(std::ceil(cell.width())), int(cell.height()));
    made->kittyIsKitty = kitty;
    made->kittyZIndex = zIndex;
    made->kittyImageId = imageId;
    return made;
}

TEST(TerminalViewDrawing, KittyImagesStackByZIndexThenImageId)
{
    const QColor blue(0, 0, 255);
    const QColor red(255, 0, 0);
    const QColor green(0, 255, 0);
    struct Image {
        QColor color;
        bool kitty;
        int zIndex;
        std::optional<uint32_t> id;
    };
    struct Case {
        const char* name;
        std::vector<Image> images;
        QColor shown;
    };
    const Case cases[] = {
        { "below the text", { { red, true, -1, 1 } }, blue },
        { "over the text", { { red, true, 0, 1 } }, red },
        { "higher z-index wins whatever the order", { { red, true, 2, 1 }, { green, true, 1, 2 } }, red },
        { "equal z-index: the larger id on top", { { green, true, 0, 2 }, { red, true, 0, 1 } }, green },
        { "a missing id counts as 0", { { red, true, 0, 1 }, { green, true, 0, std::nullopt } }, red },
        { "other images over kitty images", { { green, false, 0, std::nullopt }, { red, true, 5, 1 } }, green },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingFixture fixture;
        // A full block covers its cell's centre.
        feed(fixture.view, "\x1b[38;2;0;0;255m\xe2\x96\x88");
        Buffer& buffer = fixture.view.terminal().buffer();
        for (const Image& image : c.images)
            buffer.attachImage(strip(fixture, image.color, image.kitty, image.zIndex, image.id), buffer.yBase());
        const QImage drawn = fixture.grab();
        EXPECT_EQ(colorAt(drawn, fixture.cell(0, 0).center()), c.shown);
    }
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    image.save(&device, "PNG");
    return bytes;
}

std::string inlineImage(const QByteArray& data, const std::string& arguments)
{
    return "\x1b]1337;File=inline=1;" + arguments + ":" + data.toBase64().toStdString() + "\x07";
}

TEST(TerminalViewDrawing, InlineImagesAreRowStripsWithTheCursorBelow)
{
    DrawingFixture fixture;
    // Top half red, bottom half green, stretched over 3 × 2 cells.
    QImage source(30, 40, QImage::Format_RGB32);
    source.fill(QColor(255, 0, 0));
    for (int y = 20; y < 40; y++)
        for (int x = 0; x < 30; x++)
            source.setPixelColor(x, y, QColor(0, 255, 0));
    feed(fixture.view, "ab");
    feed(fixture.view, inlineImage(png(source), "width=3;height=2;preserveAspectRatio=0"));
    Buffer& buffer = fixture.view.terminal().buffer();
    for (int row = 0; row < 3; row++) {
        SCOPED_TRACE(row);
        const auto& images = buffer.line(buffer.yBase() + row).images();
        if (row == 2) {
            EXPECT_FALSE(images && !images->empty());
            continue;
        }
        ASSERT_TRUE(images);
        ASSERT_EQ(images->size(), 1u);
        const auto* piece = dynamic_cast<const AppleImage*>(images->front().get());
        ASSERT_TRUE(piece);
        EXPECT_EQ(piece->col(), 2);
        EXPECT_FALSE(piece->kittyIsKitty);
        EXPECT_EQ(piece->pixelWidth(), int(std::ceil(fixture.cell(0, 0, 3).width())));
        EXPECT_EQ(piece->image.format(), QImage::Format_RGBA8888) << "straight alpha";
    }
    EXPECT_EQ(buffer.x(), 2) << "the column the image started in";
    EXPECT_EQ(buffer.y(), 2) << "the row below the image";

    const QImage image = fixture.grab();
    for (int col = 2; col < 5; col++) {
        EXPECT_TRUE(near(colorAt(image, fixture.cell(col, 0).center()), QColor(255, 0, 0), 20)) << col;
        EXPECT_TRUE(near(colorAt(image, fixture.cell(col, 1).center()), QColor(0, 255, 0), 20)) << col;
    }
    EXPECT_FALSE(near(colorAt(image, fixture.cell(5, 0).center()), QColor(255, 0, 0)));
    EXPECT_EQ(inkWellInside(image, fixture.cell(0, 2, 20)), 0u);
}

TEST(TerminalViewDrawing, InlineImagesFollowTheirRequestedSize)
{
    struct Case {
        const char* name;
        QSize source;
        std::string arguments;
        int rows; // 0: refused
        int cursorColumn;
    };
    // Cells here are about 10 × 19 logical pixels; the image's own pixels are device pixels.
    const Case cases[] = {
        { "own size", QSize(4, 4), "", 1, 0 },
        { "cells, aspect kept", QSize(20, 40), "width=2", 0, 0 },
        { "an absurd width is the image's own", QSize(4, 4), "width=999999999", 1, 0 },
        { "a decoded width past the largest side", QSize(20000, 1), "", 0, 0 },
        { "a decoded height past the largest side", QSize(1, 20000), "", 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingFixture fixture;
        QImage source(c.source, QImage::Format_RGB32);
        source.fill(Qt::white);
        feed(fixture.view, inlineImage(png(source), c.arguments));
        Buffer& buffer = fixture.view.terminal().buffer();
        int rows = 0;
        for (int row = 0; row < fixture.view.terminal().rows; row++) {
            const auto& images = buffer.line(buffer.yBase() + row).images();
            rows += images && !images->empty();
        }
        if (c.source.width() > 10000 || c.source.height() > 10000) {
            EXPECT_EQ(rows, 0);
            EXPECT_EQ(buffer.y(), 0) << "the cursor stays";
            continue;
        }
        const QSizeF cell = fixture.cell(0, 0).size();
        const int expectedRows = c.arguments == "width=2"
            ? int(std::ceil(cell.width() * 2 * 2 / cell.height()))
            : int(std::ceil(c.source.height() / fixture.ratio() / cell.height()));
        EXPECT_EQ(rows, expectedRows);
        EXPECT_EQ(buffer.y(), expectedRows);
        EXPECT_EQ(buffer.x(), c.cursorColumn);
    }
}

TEST(TerminalViewDrawing, DoubleSizeRowsStretchWithinTheirRow)
{
    struct Case {
        const char* name;
        const char* mode;
    };
    const Case cases[] = {
        { "double width", "\x1b#6" },
        { "upper half", "\x1b#3" },
        { "lower half", "\x1b#4" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingFixture fixture;
        feed(fixture.view, std::string("\r\n") + c.mode + "\x1b[38;2;255;0;0m\xe2\x96\x88\xe2\x96\x88");
        const QImage image = fixture.grab();
        // Two characters cover four columns.
        for (int col = 0; col < 4; col++)
            EXPECT_GT(countNear(image, fixture.cell(col, 1), QColor(255, 0, 0)), 4u) << col;
        EXPECT_EQ(inkWellInside(image, fixture.cell(4, 1, 16)), 0u);
        // Nothing outside the row, however tall the scaled glyphs.
        EXPECT_EQ(inkWellInside(image, fixture.cell(0, 0, 20)), 0u);
        EXPECT_EQ(inkWellInside(image, fixture.cell(0, 2, 20)), 0u);
    }
}

} // namespace
} // namespace zentrova
