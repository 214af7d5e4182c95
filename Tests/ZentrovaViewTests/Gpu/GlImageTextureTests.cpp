#include "Gpu/GlTestContext.h"
#include "Zentrova/Graphics/KittyGraphicsPayload.h"
#include "ZentrovaView/Gpu/GlImageTexture.h"
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include <QBuffer>
#include <QImage>

namespace zentrova {
namespace {

using GlImageTextures = GlTestContext;

// An image 2 pixels wide and 2 high: opaque red over half-transparent green on top, opaque blue
// and white at the bottom.
QImage sample()
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixelColor(0, 0, QColor(255, 0, 0));
    image.setPixelColor(1, 0, QColor(0, 255, 0, 128));
    image.setPixelColor(0, 1, QColor(0, 0, 255));
    image.setPixelColor(1, 1, QColor(255, 255, 255));
    return image;
}

// The texture's RGBA bytes, GL's row 0 first.
std::vector<uint8_t> readRgba(QOpenGLFunctions_3_3_Core& gl, const GlImageTexture& texture)
{
    std::vector<uint8_t> pixels(size_t(texture.width()) * size_t(texture.height()) * 4);
    gl.glBindTexture(GL_TEXTURE_2D, texture.id());
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Bottom row first (blue, white), then the top row with the green premultiplied.
const std::vector<uint8_t> expectedRows { 0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 128, 0, 128 };

TEST_F(GlImageTextures, APngPayloadIsStoredBottomRowFirstAndPremultiplied)
{
    QByteArray png;
    QBuffer device(&png);
    device.open(QIODevice::WriteOnly);
    ASSERT_TRUE(sample().save(&device, "PNG"));
    const KittyGraphicsPayload payload = KittyGraphicsPayload::png({ png.begin(), png.end() });

    GlImageTextureFactory factory(*gl);
    const auto texture = factory.makeTexture(MetalTerminalRenderer::kittyPayloadImage(payload));
    ASSERT_TRUE(texture);
    const auto& glTexture = static_cast<const GlImageTexture&>(*texture);
    EXPECT_EQ(glTexture.width(), 2);
    EXPECT_EQ(glTexture.height(), 2);
    EXPECT_EQ(readRgba(*gl, glTexture), expectedRows);
}

TEST_F(GlImageTextures, AStraightRgbaPayloadIsPremultipliedOnUpload)
{
    // Rows top to bottom, straight alpha, as the store holds them.
    const std::vector<uint8_t> rgba { 255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 255, 255, 255, 255, 255 };
    GlImageTextureFactory factory(*gl);
    const auto texture =
        factory.makeTexture(MetalTerminalRenderer::kittyPayloadImage(KittyGraphicsPayload::rgba(rgba, 2, 2)));
    ASSERT_TRUE(texture);
    EXPECT_EQ(readRgba(*gl, static_cast<const GlImageTexture&>(*texture)), expectedRows);

    EXPECT_TRUE(MetalTerminalRenderer::kittyPayloadImage(KittyGraphicsPayload::rgba(rgba, 3, 2)).isNull())
        << "too few bytes for the size";
    EXPECT_FALSE(factory.makeTexture(QImage()));
}

} // namespace
} // namespace zentrova
