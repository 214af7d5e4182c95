#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace zentrova {
namespace {

// A view that keeps the images handed to it for placing.
class ImageRecordingView : public TerminalView {
public:
    using TerminalView::TerminalView;

    struct Inserted {
        QImage image;
        ImageSizeRequest width;
        ImageSizeRequest height;
        bool preserveAspectRatio;
    };
    std::vector<Inserted> inserted;

protected:
    void insertImage(const QImage& image, const ImageSizeRequest& width, const ImageSizeRequest& height,
                     bool preserveAspectRatio) override
    {
        inserted.push_back({ image, width, height, preserveAspectRatio });
    }
};

TEST(TerminalViewImages, BitmapsKeepStraightAlpha)
{
    ImageRecordingView view(nullptr, testFont(), TerminalOptions::Default, QSize(400, 300));
    // Half-transparent red, opaque green, fully transparent blue, opaque white.
    std::vector<uint8_t> pixels { 255, 0, 0, 128, 0, 255, 0, 255, 0, 0, 255, 0, 255, 255, 255, 255 };
    view.createImageFromBitmap(view.terminal(), pixels, 2, 2);
    ASSERT_EQ(view.inserted.size(), 1u);
    const QImage& image = view.inserted[0].image;
    EXPECT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0, 128)) << "a translucent pixel keeps its colour";
    EXPECT_EQ(image.pixelColor(1, 0), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(0, 1).alpha(), 0);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(view.inserted[0].width, ImageSizeRequest {});
    EXPECT_EQ(view.inserted[0].height, ImageSizeRequest {});
    EXPECT_TRUE(view.inserted[0].preserveAspectRatio);
}

TEST(TerminalViewImages, BitmapsWiderThanTheViewFillItsWidth)
{
    ImageRecordingView view(nullptr, testFont(), TerminalOptions::Default, QSize(100, 100));
    std::vector<uint8_t> wide(size_t(400 * 1 * 4), 255);
    view.createImageFromBitmap(view.terminal(), wide, 400, 1);
    ASSERT_EQ(view.inserted.size(), 1u);
    EXPECT_EQ(view.inserted[0].width, ImageSizeRequest::percent(100));
    EXPECT_EQ(view.inserted[0].height, ImageSizeRequest {});
}

TEST(TerminalViewImages, MalformedBitmapsAndDataPlaceNothing)
{
    ImageRecordingView view(nullptr, testFont());
    std::vector<uint8_t> short_(15, 255);
    view.createImageFromBitmap(view.terminal(), short_, 2, 2);
    view.createImageFromBitmap(view.terminal(), short_, 0, 2);
    view.createImageFromBitmap(view.terminal(), short_, 1 << 30, 1 << 30);
    const std::string garbage = "not an image";
    view.createImage(view.terminal(), std::span(reinterpret_cast<const uint8_t*>(garbage.data()), garbage.size()), {},
                     {}, true);
    EXPECT_TRUE(view.inserted.empty());
}

TEST(TerminalViewImages, EncodedImagesAreDecodedWithTheirSizeRequests)
{
    ImageRecordingView view(nullptr, testFont());
    QImage source(3, 2, QImage::Format_ARGB32);
    source.fill(QColor(0, 0, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(source.save(&buffer, "PNG"));
    view.createImage(view.terminal(), std::span(reinterpret_cast<const uint8_t*>(png.data()), size_t(png.size())),
                     ImageSizeRequest::cells(4), ImageSizeRequest::pixels(20), false);
    ASSERT_EQ(view.inserted.size(), 1u);
    EXPECT_EQ(view.inserted[0].image.size(), QSize(3, 2));
    EXPECT_EQ(view.inserted[0].image.pixelColor(2, 1), QColor(0, 0, 255));
    EXPECT_EQ(view.inserted[0].width, ImageSizeRequest::cells(4));
    EXPECT_EQ(view.inserted[0].height, ImageSizeRequest::pixels(20));
    EXPECT_FALSE(view.inserted[0].preserveAspectRatio);
}

TEST(TerminalViewImages, AspectFitCentresTheImageInItsRectangle)
{
    struct Case {
        QSizeF image;
        QRectF rect;
        QRectF fitted;
    };
    const Case cases[] = {
        { { 10, 20 }, { 0, 0, 100, 100 }, { 25, 0, 50, 100 } },
        { { 40, 10 }, { 10, 10, 100, 100 }, { 10, 47.5, 100, 25 } },
        { { 0, 20 }, { 0, 0, 100, 100 }, { 0, 0, 100, 100 } },
        { { 10, 20 }, { 5, 5, 0, 100 }, { 5, 5, 0, 100 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalView::kittyAspectFitRect(c.image, c.rect), c.fitted);
}

} // namespace
} // namespace zentrova
