#include "Gpu/GlTestContext.h"
#include "ZentrovaView/Gpu/BufferPool.h"
#include "ZentrovaView/Gpu/CoreTextGlyphRasterizer.h"
#include "ZentrovaView/Gpu/GlBuffer.h"
#include "ZentrovaView/Gpu/GlFence.h"
#include "ZentrovaView/Gpu/GlGlyphAtlasTexture.h"
#include "ZentrovaView/Gpu/GlyphAtlas.h"
#include "ZentrovaView/Gpu/GpuCompletionQueue.h"

#include <QFont>
#include <QRawFont>

#include <cstdlib>

namespace zentrova {
namespace {

QRawFont rawFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    QRawFont raw = QRawFont::fromFont(font);
    return raw.familyName() == family ? raw : QRawFont();
}

using GlAtlas = GlTestContext;

std::vector<uint8_t> bytes(std::span<const uint8_t> data)
{
    return { data.begin(), data.end() };
}

// Rasterizes every character of `text` into the atlas; returns how many landed.
int writeText(GlyphAtlas& atlas, const QRawFont& font, const QString& text)
{
    CoreTextGlyphRasterizer rasterizer;
    int written = 0;
    for (quint32 glyph : font.glyphIndexesForString(text)) {
        auto bitmap = rasterizer.rasterize(font, uint16_t(glyph));
        if (!bitmap)
            continue;
        auto region = atlas.ensureRegion(bitmap->width, bitmap->height);
        if (!region)
            continue;
        atlas.write(*region, bitmap->pixels, bitmap->width, bitmap->height);
        ++written;
    }
    return written;
}

unsigned textureId(const GlyphAtlas& atlas)
{
    return static_cast<GlGlyphAtlasTexture&>(atlas.texture()).id();
}

TEST_F(GlAtlas, TheTextureReadsBackAsTheCopyAfterWritesGrowthAndReset)
{
    const QRawFont latin = rawFont("DejaVu Sans Mono", 40);
    const QRawFont cjk = rawFont("Noto Sans CJK SC", 48);
    if (!latin.isValid() || !cjk.isValid())
        GTEST_SKIP() << "DejaVu Sans Mono or Noto Sans CJK SC is not installed";
    GlGlyphAtlasDevice device(*gl);
    auto atlas = GlyphAtlas::make(device, 256, 512, GlyphAtlasFormat::grayscale);
    ASSERT_TRUE(atlas);

    ASSERT_EQ(writeText(*atlas, latin, "Agjy@"), 5);
    EXPECT_EQ(atlas->size(), 256);
    EXPECT_EQ(readTexture(textureId(*atlas), atlas->size(), 1), bytes(atlas->data()));

    // Han characters until the atlas has grown to its cap and then started over.
    const QString han = QString::fromUtf8("永和九年岁在癸丑暮春之初会于会稽山阴之兰亭修禊事也群贤毕至少长咸集此地有崇山峻岭茂林修竹"
                                          "又有清流激湍映带左右引以为流觞曲水列坐其次虽无丝竹管弦之盛一觞一咏亦足以畅叙幽情");
    bool grew = false, reset = false;
    CoreTextGlyphRasterizer rasterizer;
    for (quint32 glyph : cjk.glyphIndexesForString(han)) {
        auto bitmap = rasterizer.rasterize(cjk, uint16_t(glyph));
        ASSERT_TRUE(bitmap);
        auto region = atlas->ensureRegion(bitmap->width, bitmap->height);
        ASSERT_TRUE(region);
        atlas->write(*region, bitmap->pixels, bitmap->width, bitmap->height);
        if (atlas->size() == 512 && !grew) {
            grew = true;
            EXPECT_EQ(readTexture(textureId(*atlas), 512, 1), bytes(atlas->data())) << "after growth";
        }
        if (atlas->didReset()) {
            reset = true;
            EXPECT_EQ(readTexture(textureId(*atlas), 512, 1), bytes(atlas->data())) << "after reset";
            break;
        }
    }
    EXPECT_TRUE(grew);
    EXPECT_TRUE(reset);
    EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GlAtlas, ColourGlyphsKeepTheirBytesInTheColourAtlas)
{
    const QRawFont emoji = rawFont("Noto Color Emoji", 64);
    if (!emoji.isValid())
        GTEST_SKIP() << "Noto Color Emoji is not installed";
    GlGlyphAtlasDevice device(*gl);
    auto atlas = GlyphAtlas::make(device, 1024, GlyphAtlas::recommendedMaxSize(device, GlyphAtlasFormat::bgra),
                                  GlyphAtlasFormat::bgra);
    ASSERT_TRUE(atlas);
    CoreTextGlyphRasterizer rasterizer;
    auto bitmap = rasterizer.rasterize(emoji, uint16_t(emoji.glyphIndexesForString(QString::fromUtf8("🦊")).value(0)));
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(bitmap->isColor);
    auto region = atlas->ensureRegion(bitmap->width, bitmap->height);
    ASSERT_TRUE(region);
    atlas->write(*region, bitmap->pixels, bitmap->width, bitmap->height);

    const auto texture = readTexture(textureId(*atlas), atlas->size(), 4);
    EXPECT_EQ(texture, bytes(atlas->data()));
    // The bitmap's top row is the region's last texture row.
    const size_t topLeft = (size_t(region->y + region->height - 1) * size_t(atlas->size()) + size_t(region->x)) * 4;
    EXPECT_TRUE(std::equal(bitmap->pixels.begin(), bitmap->pixels.begin() + bitmap->width * 4, texture.begin() + long(topLeft)));
}

TEST_F(GlAtlas, TheDeviceCapFollowsTheLargestTexture)
{
    unsetenv("ZENTROVA_ATLAS_MAX");
    GlGlyphAtlasDevice device(*gl);
    EXPECT_GE(device.maxTextureSize(), 4096);
    EXPECT_EQ(GlyphAtlas::recommendedMaxSize(device, GlyphAtlasFormat::grayscale), 8192);
    setenv("ZENTROVA_ATLAS_MAX", "100000", 1);
    EXPECT_EQ(GlyphAtlas::recommendedMaxSize(device, GlyphAtlasFormat::grayscale),
              device.maxTextureSize() >= 16384 ? 16384 : 8192);
    unsetenv("ZENTROVA_ATLAS_MAX");
    EXPECT_FALSE(device.makeTexture(device.maxTextureSize() * 2, GlyphAtlasFormat::grayscale, nullptr));
}

using GlBuffers = GlTestContext;

TEST_F(GlBuffers, PooledBuffersHoldTheRecordsAndComeBackAfterTheFence)
{
    GlBufferDevice device(*gl);
    auto pool = BufferPool::make(device);
    GpuCompletionQueue completions;
    std::vector<float> records(3000);
    for (size_t i = 0; i < records.size(); ++i)
        records[i] = float(i) * 0.5f;

    pool->beginFrame();
    auto buffer = pool->makeBuffer(std::span<const float>(records));
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->length(), 16384u);
    std::vector<float> readBack(records.size());
    gl->glBindBuffer(GL_ARRAY_BUFFER, static_cast<GlBuffer&>(*buffer).id());
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(readBack.size() * sizeof(float)), readBack.data());
    EXPECT_EQ(readBack, records);

    auto fence = std::make_shared<GlFence>(*gl);
    pool->commitFrame(completions, fence);
    gl->glFinish();
    completions.poll();
    EXPECT_TRUE(completions.empty());
    EXPECT_EQ(pool->freeCount(16384), 1u);

    // Steady frames on a warm pool make no new buffers.
    const size_t made = device.buffersMade();
    for (int frame = 0; frame < 30; ++frame) {
        pool->beginFrame();
        pool->makeBuffer(std::span<const float>(records));
        pool->makeBuffer(std::span<const float>(records.data(), 100));
        pool->commitFrame(completions, std::make_shared<GlFence>(*gl));
        if (frame % 3 == 2) { // the GPU is a frame or two behind
            gl->glFinish();
            completions.poll();
        }
    }
    gl->glFinish();
    completions.poll();
    EXPECT_LE(device.buffersMade(), made + 5) << "only while the pool warms up";
    const size_t warm = device.buffersMade();
    for (int frame = 0; frame < 30; ++frame) {
        pool->beginFrame();
        pool->makeBuffer(std::span<const float>(records));
        pool->commitFrame(completions, std::make_shared<GlFence>(*gl));
        gl->glFinish();
        completions.poll();
    }
    EXPECT_EQ(device.buffersMade(), warm);
    EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
} // namespace zentrova
