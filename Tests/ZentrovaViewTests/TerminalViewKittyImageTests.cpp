#include "TerminalViewTestSupport.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "ZentrovaView/AppleImage.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <cmath>

namespace zentrova {
namespace {

std::string pngBase64(const QImage& image)
{
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    image.save(&device, "PNG");
    return bytes.toBase64().toStdString();
}

std::string kitty(const std::string& keys, const std::string& payload)
{
    return "\x1b_G" + keys + ";" + payload + "\x1b\\";
}

const AppleImage* onlyStrip(Buffer& buffer, int screenRow)
{
    const auto& images = buffer.line(buffer.yBase() + screenRow).images();
    if (!images || images->size() != 1)
        return nullptr;
    return dynamic_cast<const AppleImage*>(images->front().get());
}

TEST(TerminalViewKittyImages, APlacedImageIsRecordedAndDrawnAtItsCells)
{
    TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(400, 300));
    view.setNativeBackgroundColor(QColor(10, 10, 10));
    QImage source(8, 8, QImage::Format_RGB32);
    source.fill(QColor(0, 0, 255));
    feed(view, "\x1b[2;3H");
    feed(view, kitty("a=T,f=100,i=5,p=7,c=2,r=2,z=-1,q=2", pngBase64(source)));

    Buffer& buffer = view.terminal().buffer();
    const auto& placements = view.terminal().kittyGraphicsState().placementsByKey;
    const auto placement = placements.find({ 5, 7 });
    ASSERT_NE(placement, placements.end());
    EXPECT_EQ(placement->second.col, 2);
    EXPECT_EQ(placement->second.row, buffer.yBase() + 1);
    EXPECT_EQ(placement->second.cols, 2);
    EXPECT_EQ(placement->second.rows, 2);
    EXPECT_EQ(placement->second.zIndex, -1);
    EXPECT_FALSE(placement->second.isAlternateBuffer);

    for (const int row : { 1, 2 }) {
        SCOPED_TRACE(row);
        const AppleImage* strip = onlyStrip(buffer, row);
        ASSERT_TRUE(strip);
        EXPECT_TRUE(strip->kittyIsKitty);
        EXPECT_EQ(strip->kittyImageId, 5u);
        EXPECT_EQ(strip->kittyPlacementId, 7u);
        EXPECT_EQ(strip->kittyZIndex, -1);
        EXPECT_EQ(strip->kittyRow, buffer.yBase() + 1);
        EXPECT_EQ(strip->kittyCols, 2);
        EXPECT_EQ(strip->col(), 2);
    }
    EXPECT_FALSE(onlyStrip(buffer, 3));
    // The cursor moves past the image: right of its last column, below its last row.
    EXPECT_EQ(buffer.x(), 4);
    EXPECT_EQ(buffer.y(), 3);

    const QImage shot = view.grab().toImage();
    const double ratio = shot.devicePixelRatio();
    const auto colourAt = [&](int col, int row) {
        const QPointF centre = view.cellGeometry().cellRect(col, row).center() * ratio;
        return shot.pixelColor(centre.toPoint());
    };
    EXPECT_EQ(colourAt(2, 1), QColor(0, 0, 255));
    EXPECT_EQ(colourAt(3, 2), QColor(0, 0, 255));
    EXPECT_EQ(colourAt(4, 1), QColor(10, 10, 10));
    EXPECT_EQ(colourAt(2, 3), QColor(10, 10, 10));
}

TEST(TerminalViewKittyImages, RawPixelsTakeThePlacementsSize)
{
    TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(400, 300));
    // 2 × 1 opaque red pixels, asked for over 3 × 1 cells.
    const QByteArray pixels = QByteArray::fromHex("ff0000ffff0000ff").toBase64();
    feed(view, kitty("a=T,f=32,s=2,v=1,i=9,p=1,c=3,r=1,q=2", pixels.toStdString()));
    Buffer& buffer = view.terminal().buffer();
    const AppleImage* strip = onlyStrip(buffer, 0);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->pixelWidth(), int(std::ceil(view.cellGeometry().cellRect(0, 0, 3).width())));
    EXPECT_FALSE(onlyStrip(buffer, 1));
}

// A virtual placement is shown only where the text holds placeholder cells: each cell draws its own
// piece of the image, and a cell naming an image without a placement draws nothing.
TEST(TerminalViewKittyImages, PlaceholderCellsShowTheirPieceOfAVirtualPlacement)
{
    TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(400, 300));
    view.setNativeBackgroundColor(QColor(10, 10, 10));
    // 2 × 6 pixels, red and green above blue and white, placed virtually over 2 × 2 cells. Cells
    // are between 1.5 and 3 times as tall as wide, so the image is fitted to the two rows' height
    // and each cell's centre falls in its own quarter.
    QImage source(2, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y) {
        source.setPixelColor(0, y, y < 3 ? Qt::red : Qt::blue);
        source.setPixelColor(1, y, y < 3 ? Qt::green : Qt::white);
    }
    feed(view, kitty("a=t,f=100,i=5,q=2", pngBase64(source)));
    feed(view, kitty("a=p,i=5,p=3,U=1,c=2,r=2,q=2", ""));
    // Image id 5 in the foreground, placement 3 in the underline colour; the first cell of each row
    // names its row and column, the second continues it. Image 6 has no placement.
    const std::string placeholder = "\xf4\x8e\xbb\xae";
    const std::string mark0 = "\xcc\x85", mark1 = "\xcc\x8d";
    feed(view, "\x1b[38;5;5m\x1b[58;5;3m" + placeholder + mark0 + mark0 + placeholder + "\x1b[m\r\n");
    feed(view, "\x1b[38;5;5m\x1b[58;5;3m" + placeholder + mark1 + mark0 + placeholder + "\x1b[38;5;6m" + placeholder
                   + "\x1b[m\r\n");

    view.hideCursor(view.terminal());
    const QImage shot = view.grab().toImage();
    const double ratio = shot.devicePixelRatio();
    const auto colourAt = [&](int col, int row) {
        const QPointF centre = view.cellGeometry().cellRect(col, row).center() * ratio;
        return shot.pixelColor(centre.toPoint());
    };
    EXPECT_EQ(colourAt(0, 0), QColor(Qt::red));
    EXPECT_EQ(colourAt(1, 0), QColor(Qt::green));
    EXPECT_EQ(colourAt(0, 1), QColor(Qt::blue));
    EXPECT_EQ(colourAt(1, 1), QColor(Qt::white));
    EXPECT_EQ(colourAt(2, 1), QColor(10, 10, 10)) << "no placement for image 6";
}

} // namespace
} // namespace zentrova
