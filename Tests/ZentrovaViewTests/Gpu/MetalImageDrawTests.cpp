#include "Gpu/RendererTestSupport.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Screen/Buffer.h"
#include "ZentrovaView/AppleImage.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

std::vector<uint8_t> solid(int width, int height, QColor color)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; i++)
        pixels.insert(pixels.end(), { uint8_t(color.red()), uint8_t(color.green()), uint8_t(color.blue()), 255 });
    return pixels;
}

QColor textureColour(const ImageDraw& draw)
{
    return static_cast<const FakeImageTexture&>(*draw.texture).image.pixelColor(0, 0);
}

const std::string placeholder = "\xf4\x8e\xbb\xae";
const std::string mark0 = "\xcc\x85";

TEST(MetalImageDraws, KittyImagesGoUnderOrOverTheTextInZOrderThenByImageId)
{
    RendererFixture fixture;
    TerminalView& view = fixture.view;
    struct Placed {
        int id;
        int z;
        QColor color;
    };
    for (const Placed& p : { Placed { 3, 0, Qt::blue }, Placed { 1, -1, Qt::red }, Placed { 2, 0, Qt::green },
                             Placed { 4, 5, Qt::yellow } }) {
        feed(view, "\x1b[H");
        feed(view, kitty("a=T,f=32,s=1,v=1,C=1,q=2,i=" + std::to_string(p.id) + ",z=" + std::to_string(p.z),
                         rgbaBase64(solid(1, 1, p.color))));
    }
    feed(view, "\x1b[H");
    std::vector<uint8_t> sixel = solid(2, 2, Qt::cyan);
    view.createImageFromBitmap(view.terminal(), sixel, 2, 2);

    const double scale = 2;
    const RowDrawData data = fixture.row(0, scale);
    ASSERT_EQ(data.underImageDraws.size(), 1u);
    EXPECT_EQ(textureColour(data.underImageDraws[0]), QColor(Qt::red));
    ASSERT_EQ(data.overImageDraws.size(), 3u);
    EXPECT_EQ(textureColour(data.overImageDraws[0]), QColor(Qt::green)) << "z 0, id 2";
    EXPECT_EQ(textureColour(data.overImageDraws[1]), QColor(Qt::blue)) << "z 0, id 3";
    EXPECT_EQ(textureColour(data.overImageDraws[2]), QColor(Qt::yellow)) << "z 5";
    ASSERT_EQ(data.otherImageDraws.size(), 1u);
    EXPECT_EQ(textureColour(data.otherImageDraws[0]), QColor(Qt::cyan));

    // A strip hangs from its row's top at its column, white, the whole texture in two triangles.
    const auto& strip = *dynamic_cast<const AppleImage*>(
        view.terminal().buffer().line(view.terminal().buffer().yBase()).images()->front().get());
    const ImageDraw& under = data.underImageDraws[0];
    ASSERT_EQ(under.vertices.size(), 6u);
    const float top = float(fixture.rowBottomPx(0, scale) + fixture.cellHeight() * scale);
    const float x0 = 0, y0 = top - float(strip.pixelHeight() * scale), x1 = float(strip.pixelWidth() * scale);
    const std::array<float, 4> white { 1, 1, 1, 1 };
    EXPECT_EQ(under.vertices[0], (GlyphVertex { { x0, y0 }, { 0, 0 }, white }));
    EXPECT_EQ(under.vertices[1], (GlyphVertex { { x1, y0 }, { 1, 0 }, white }));
    EXPECT_EQ(under.vertices[2], (GlyphVertex { { x0, top }, { 0, 1 }, white }));
    EXPECT_EQ(under.vertices[4], (GlyphVertex { { x1, top }, { 1, 1 }, white }));

    // One texture per image object, premultiplied, made once.
    const size_t made = fixture.textures.made.size();
    fixture.row(0, scale);
    EXPECT_EQ(fixture.textures.made.size(), made);
    EXPECT_EQ(fixture.textures.made[0].format(), QImage::Format_RGBA8888_Premultiplied);
}

// A tall image in a placement four cells wide: the two middle cells show its halves, the outer cells
// fall in the bands beside it, and a cell beyond the placement shows nothing.
TEST(MetalImageDraws, PlaceholderCellsShowTheirSliceOfTheFittedImage)
{
    RendererFixture fixture;
    TerminalView& view = fixture.view;
    const double cw = fixture.cellWidth();
    const double ch = fixture.cellHeight();
    // The image is as tall as the row and about 1.6 cells wide, centred in four cells: columns 1 and 2.
    const int imageHeight = 100;
    const int imageWidth = int(std::round(imageHeight * 1.6 * cw / ch));
    feed(view, kitty("a=t,f=32,i=7,q=2,s=" + std::to_string(imageWidth) + ",v=" + std::to_string(imageHeight),
                     rgbaBase64(solid(imageWidth, imageHeight, Qt::red))));
    feed(view, kitty("a=p,i=7,U=1,c=4,r=1,q=2", ""));
    feed(view, "\x1b[38;5;7m" + placeholder + mark0 + mark0 + placeholder + placeholder + placeholder + placeholder
                   + "\x1b[m");

    Buffer& buffer = view.terminal().buffer();
    MetalTerminalRenderer::VirtualPlacements placements;
    for (const auto& [key, placement] : view.terminal().kittyGraphicsState().placementsByKey)
        placements[key.imageId].push_back(placement);
    const QFontMetricsF metrics(view.fontSet().normal);
    const RowDrawData data = fixture.renderer->buildRowDrawData(
        buffer.yDisp(), buffer, buffer.yDisp(), cw, ch, std::ceil(metrics.descent() + metrics.leading()), view.width(),
        1, placements);
    ASSERT_EQ(data.placeholderImageDraws.size(), 2u);
    const auto& left = data.placeholderImageDraws[0].vertices;
    const auto& right = data.placeholderImageDraws[1].vertices;
    EXPECT_FLOAT_EQ(left[0].position[0], float(2 * cw - imageWidth / 2.0 * ch / imageHeight));
    EXPECT_FLOAT_EQ(left[1].position[0], float(2 * cw));
    EXPECT_FLOAT_EQ(right[0].position[0], float(2 * cw));
    EXPECT_FLOAT_EQ(left[0].texCoord[0], 0);
    EXPECT_NEAR(left[1].texCoord[0], 0.5, 1e-4);
    EXPECT_NEAR(right[0].texCoord[0], 0.5, 1e-4);
    EXPECT_FLOAT_EQ(right[1].texCoord[0], 1);
    EXPECT_FLOAT_EQ(left[0].texCoord[1], 0);
    EXPECT_FLOAT_EQ(left[2].texCoord[1], 1);

    // Without the placement the cells draw nothing.
    const RowDrawData none = fixture.renderer->buildRowDrawData(
        buffer.yDisp(), buffer, buffer.yDisp(), cw, ch, std::ceil(metrics.descent() + metrics.leading()), view.width(),
        1, {});
    EXPECT_TRUE(none.placeholderImageDraws.empty());
}

// An image sent again under its id with the same size and the same first bytes (the next frame of an
// animation) gets a new texture, and the rows showing it are built again.
TEST(MetalImageDraws, AResentImageOfTheSameSizeGetsANewTexture)
{
    RendererFixture fixture;
    TerminalView& view = fixture.view;
    std::vector<uint8_t> frame = solid(4, 8, Qt::red);
    feed(view, kitty("a=t,f=32,s=4,v=8,i=9,q=2", rgbaBase64(frame)));
    feed(view, kitty("a=p,i=9,U=1,c=1,r=1,q=2", ""));
    feed(view, "\x1b[38;5;9m" + placeholder + mark0 + mark0 + "\x1b[m");
    fixture.frame(1);
    ASSERT_EQ(fixture.textures.made.size(), 1u);

    // The last pixel turns blue: 128 bytes, the first 64 unchanged.
    frame[frame.size() - 4] = 0;
    frame[frame.size() - 2] = 255;
    feed(view, kitty("a=t,f=32,s=4,v=8,i=9,q=2", rgbaBase64(frame)));
    const FrameDrawData drawn = fixture.frame(1);
    EXPECT_EQ(fixture.renderer->rowsBuiltLastPass(), int(fixture.renderer->rowCache().size()));
    ASSERT_EQ(fixture.textures.made.size(), 2u);
    EXPECT_EQ(fixture.textures.made[1].pixelColor(3, 7), QColor(Qt::blue));
    ASSERT_EQ(drawn.placeholderImageDraws.size(), 1u);
    EXPECT_EQ(static_cast<const FakeImageTexture&>(*drawn.placeholderImageDraws[0].texture).image.pixelColor(3, 7),
              QColor(Qt::blue));

    // Unchanged, it keeps its texture; gone from the store, its texture goes.
    fixture.frame(1);
    EXPECT_EQ(fixture.textures.made.size(), 2u);
}

TEST(MetalImageDraws, SignaturesHashTheFirst64BytesWithFnv1a)
{
    EXPECT_EQ(MetalTerminalRenderer::hashBytes({}, 64), 0u);
    const std::vector<uint8_t> a { 'a' };
    EXPECT_EQ(MetalTerminalRenderer::hashBytes(a, 64), 0xE40C292Cu);
    std::vector<uint8_t> long1(100, 7), long2(100, 7);
    long2[80] = 8;
    EXPECT_EQ(MetalTerminalRenderer::hashBytes(long1, 64), MetalTerminalRenderer::hashBytes(long2, 64));

    KittyGraphicsImage png { KittyGraphicsPayload::png(long1), 100, 0, 4 };
    const KittyImageSignature signature = MetalTerminalRenderer::kittySignature(png);
    EXPECT_EQ(signature, (KittyImageSignature { 1, 0, 0, 100, MetalTerminalRenderer::hashBytes(long1, 64), 4 }));
    KittyGraphicsImage raw { KittyGraphicsPayload::rgba(long1, 5, 5), 100, 0, 6 };
    EXPECT_EQ(MetalTerminalRenderer::kittySignature(raw).kind, 2);
    EXPECT_EQ(MetalTerminalRenderer::kittySignature(raw).width, 5);
}

} // namespace
} // namespace zentrova
