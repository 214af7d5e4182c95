#include "Gpu/FakeGpuDevices.h"
#include "Gpu/LogCapture.h"
#include "ZentrovaView/Gpu/GlyphAtlas.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zentrova {
namespace {

// A glyph bitmap whose pixel (column, memory row) is distinct everywhere: blue = column,
// green = row, red = 7, alpha = 16 * row + column + 1.
std::vector<uint8_t> patternBitmap(int width, int height)
{
    std::vector<uint8_t> pixels;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            pixels.insert(pixels.end(), { uint8_t(column), uint8_t(row), 7, uint8_t(16 * row + column + 1) });
        }
    }
    return pixels;
}

struct AtlasFixture : ::testing::Test {
    std::unique_ptr<GlyphAtlas> makeAtlas(int size, int maxSize, GlyphAtlasFormat format = GlyphAtlasFormat::grayscale)
    {
        auto atlas = GlyphAtlas::make(device, size, maxSize, format);
        EXPECT_TRUE(atlas);
        return atlas;
    }
    // Fills the atlas with glyphs of `side` pixels until the next one would not fit.
    static void fill(GlyphAtlas& atlas, int side)
    {
        const int perShelf = atlas.size() / (side + 2);
        const int shelves = atlas.size() / (side + 2);
        for (int i = 0; i < perShelf * shelves; ++i)
            ASSERT_TRUE(atlas.ensureRegion(side, side));
    }
    uint8_t grayAt(const GlyphAtlas& atlas, int x, int y) const { return atlas.data()[size_t(y) * size_t(atlas.size()) + size_t(x)]; }

    FakeAtlasDevice device;
    LogCapture log;
};

TEST_F(AtlasFixture, MakeClampsTheSideBetween256AndTheCap)
{
    struct Case {
        int size, maxSize, side, cap;
    };
    for (Case c : { Case { 1024, 8192, 1024, 8192 }, Case { 100, 4096, 256, 4096 }, Case { 1024, 512, 512, 512 },
                    Case { 1024, 100, 256, 256 } }) {
        auto atlas = makeAtlas(c.size, c.maxSize);
        EXPECT_EQ(atlas->size(), c.side) << c.size << " " << c.maxSize;
        EXPECT_EQ(atlas->maxSize(), c.cap) << c.size << " " << c.maxSize;
        EXPECT_EQ(atlas->data().size(), size_t(c.side) * size_t(c.side));
    }
    device.failAbove = 1;
    EXPECT_FALSE(GlyphAtlas::make(device, 1024, 8192, GlyphAtlasFormat::bgra));
}

TEST_F(AtlasFixture, RegionsArePaddedAndPackedOnShelves)
{
    auto atlas = makeAtlas(256, 256);
    struct Case {
        int width, height;
        AtlasRegion expected;
    };
    // Padded widths 32, 102, 102 fill 236 columns; the next 30 does not fit and opens a shelf below
    // the tallest (42) region.
    for (Case c : { Case { 30, 40, { 1, 1, 30, 40 } }, Case { 100, 10, { 33, 1, 100, 10 } },
                    Case { 100, 5, { 135, 1, 100, 5 } }, Case { 30, 3, { 1, 43, 30, 3 } },
                    Case { 10, 10, { 33, 43, 10, 10 } } }) {
        auto region = atlas->ensureRegion(c.width, c.height);
        ASSERT_TRUE(region);
        EXPECT_EQ(*region, c.expected) << c.width << "x" << c.height;
        EXPECT_FALSE(atlas->didReset());
    }
    EXPECT_FALSE(atlas->ensureRegion(0, 5));
    EXPECT_FALSE(atlas->ensureRegion(5, -1));
}

TEST_F(AtlasFixture, GrowsToTheSmallestDoublingThatFitsAndKeepsEarlierGlyphs)
{
    struct Case {
        int width, height, grownSide;
        AtlasRegion expected;
    };
    // The first glyph fills the 1024 atlas. A request that is no wider than the atlas opens a shelf
    // below it; a wider or taller one leaves the cursor where it was, on the first shelf.
    for (Case c : { Case { 10, 10, 2048, { 1, 1025, 10, 10 } }, Case { 1500, 10, 2048, { 1, 1025, 1500, 10 } },
                    Case { 2500, 10, 4096, { 1025, 1, 2500, 10 } }, Case { 10, 1030, 2048, { 1025, 1, 10, 1030 } } }) {
        device.sidesMade.clear();
        auto atlas = makeAtlas(1024, 4096);
        auto first = atlas->ensureRegion(1022, 1022);
        ASSERT_EQ(first, (AtlasRegion { 1, 1, 1022, 1022 }));
        atlas->write(*first, patternBitmap(1022, 1022), 1022, 1022);
        const uint8_t before = grayAt(*atlas, 500, 700);

        auto region = atlas->ensureRegion(c.width, c.height);
        ASSERT_TRUE(region) << c.width << "x" << c.height;
        EXPECT_EQ(atlas->size(), c.grownSide) << c.width << "x" << c.height;
        EXPECT_EQ(device.sidesMade, (std::vector<int> { 1024, c.grownSide }));
        EXPECT_FALSE(atlas->didReset());
        EXPECT_EQ(*region, c.expected);
        EXPECT_EQ(grayAt(*atlas, 500, 700), before);
        EXPECT_NE(before, 0);
        // The new texture received the whole copy.
        EXPECT_EQ(device.last->pixels, bytes(atlas->data()));
    }
    EXPECT_EQ(LogCapture::count("glyph atlas (grayscale) grow: 1024 -> 2048"), 3);
    EXPECT_EQ(LogCapture::count("glyph atlas (grayscale) grow: 1024 -> 4096"), 1);
}

TEST_F(AtlasFixture, AFullAtlasAtItsCapResetsAndLogsOnceUntilItGrows)
{
    auto atlas = makeAtlas(256, 256);
    fill(*atlas, 30);
    const std::string message = "glyph atlas (grayscale) reset at size 256: glyph working set exceeds capacity";

    auto region = atlas->ensureRegion(30, 30);
    EXPECT_EQ(region, (AtlasRegion { 1, 1, 30, 30 }));
    EXPECT_TRUE(atlas->didReset());
    EXPECT_EQ(LogCapture::count(message), 1);
    EXPECT_EQ(device.last->pixels, bytes(atlas->data())) << "the reset cleared the texture too";

    for (int i = 1; i < 64; ++i) // the rest of the emptied atlas
        ASSERT_TRUE(atlas->ensureRegion(30, 30));
    EXPECT_FALSE(atlas->didReset());
    EXPECT_EQ(atlas->ensureRegion(30, 30), (AtlasRegion { 1, 1, 30, 30 }));
    EXPECT_TRUE(atlas->didReset());
    EXPECT_EQ(LogCapture::count(message), 1);

    // A glyph larger than the cap is never placed, and does not empty the atlas.
    EXPECT_FALSE(atlas->ensureRegion(255, 10));
    EXPECT_FALSE(atlas->didReset());
}

TEST_F(AtlasFixture, AFailedGrowthIsLoggedAndTheAtlasResetsAtItsSize)
{
    device.failAbove = 1024;
    auto atlas = makeAtlas(1024, 4096);
    ASSERT_TRUE(atlas->ensureRegion(1022, 1022));
    auto region = atlas->ensureRegion(10, 10);
    EXPECT_EQ(region, (AtlasRegion { 1, 1, 10, 10 }));
    EXPECT_EQ(atlas->size(), 1024);
    EXPECT_TRUE(atlas->didReset());
    EXPECT_EQ(LogCapture::count("glyph atlas (grayscale) grow to 2048 failed: texture allocation"), 1);
}

TEST_F(AtlasFixture, AFrozenFullAtlasGivesNothingAndLogsOnce)
{
    auto atlas = makeAtlas(256, 512, GlyphAtlasFormat::bgra);
    fill(*atlas, 30);
    const std::string message = "glyph atlas (bgra) frozen and full; glyphs will be skipped this frame";
    atlas->setFrozen(true);
    EXPECT_FALSE(atlas->ensureRegion(30, 30));
    EXPECT_FALSE(atlas->ensureRegion(5, 5));
    EXPECT_EQ(atlas->size(), 256);
    EXPECT_FALSE(atlas->didReset());
    EXPECT_EQ(LogCapture::count(message), 1);

    // Thawed, it grows; growth re-arms the message.
    atlas->setFrozen(false);
    EXPECT_EQ(atlas->ensureRegion(30, 30), (AtlasRegion { 1, 257, 30, 30 }));
    EXPECT_EQ(atlas->size(), 512);
    atlas->setFrozen(true);
    EXPECT_FALSE(atlas->ensureRegion(30, 300));
    EXPECT_EQ(LogCapture::count(message), 2);
}

TEST_F(AtlasFixture, WriteStoresRowsBottomUpAndRepeatsTheEdgesIntoTheBorder)
{
    auto atlas = makeAtlas(256, 256);
    ASSERT_TRUE(atlas->ensureRegion(5, 5));
    auto region = atlas->ensureRegion(3, 2);
    ASSERT_EQ(region, (AtlasRegion { 8, 1, 3, 2 }));
    device.last->uploads.clear();
    atlas->write(*region, patternBitmap(3, 2), 3, 2);

    // Alpha of memory row r, column c is 16r + c + 1; atlas row 1 holds the bitmap's last row.
    const std::vector<std::vector<int>> expected {
        { 17, 17, 18, 19, 19 }, // the border row below the glyph (row 0) repeats its first atlas row
        { 17, 17, 18, 19, 19 },
        { 1, 1, 2, 3, 3 },
        { 1, 1, 2, 3, 3 }, // the border row above
    };
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(grayAt(*atlas, 7 + column, row), expected[size_t(row)][size_t(column)]) << column << "," << row;
    }
    EXPECT_EQ(grayAt(*atlas, 6, 1), 0) << "nothing outside the border";
    EXPECT_EQ(device.last->uploads, (std::vector<FakeAtlasTexture::Rect> { { 7, 0, 5, 4 } }));
    EXPECT_EQ(device.last->pixels, bytes(atlas->data()));
}

TEST_F(AtlasFixture, ColourWritesKeepAllFourBytes)
{
    auto atlas = makeAtlas(256, 256, GlyphAtlasFormat::bgra);
    auto region = atlas->ensureRegion(2, 2);
    atlas->write(*region, patternBitmap(2, 2), 2, 2);
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &atlas->data()[(size_t(y) * 256 + size_t(x)) * 4];
        return std::vector<int> { p[0], p[1], p[2], p[3] };
    };
    EXPECT_EQ(pixel(1, 1), (std::vector<int> { 0, 1, 7, 17 }));
    EXPECT_EQ(pixel(2, 2), (std::vector<int> { 1, 0, 7, 2 }));
    EXPECT_EQ(pixel(0, 0), pixel(1, 1)) << "corner of the border";
    EXPECT_EQ(pixel(3, 3), pixel(2, 2));
    EXPECT_EQ(device.last->pixels, bytes(atlas->data()));
}

TEST_F(AtlasFixture, AWriteThatDoesNotMatchItsRegionChangesNothing)
{
    auto atlas = makeAtlas(256, 256);
    auto region = atlas->ensureRegion(4, 4);
    device.last->uploads.clear();
    const auto before = bytes(atlas->data());
    atlas->write(*region, patternBitmap(4, 3), 4, 3);
    atlas->write(*region, patternBitmap(3, 4), 3, 4);
    atlas->write(*region, patternBitmap(4, 3), 4, 4); // short bitmap
    atlas->write(AtlasRegion { 254, 254, 4, 4 }, patternBitmap(4, 4), 4, 4); // past the edge
    EXPECT_EQ(bytes(atlas->data()), before);
    EXPECT_TRUE(device.last->uploads.empty());
}

TEST_F(AtlasFixture, GlyphsAtTheTextureEdgeClipTheirBorder)
{
    auto atlas = makeAtlas(256, 256);
    const AtlasRegion corner { 0, 0, 2, 2 };
    atlas->write(corner, patternBitmap(2, 2), 2, 2);
    EXPECT_EQ(grayAt(*atlas, 2, 2), grayAt(*atlas, 1, 1));
    const AtlasRegion farCorner { 254, 254, 2, 2 };
    atlas->write(farCorner, patternBitmap(2, 2), 2, 2);
    EXPECT_EQ(grayAt(*atlas, 253, 253), grayAt(*atlas, 254, 254));
    EXPECT_EQ(device.last->uploads.back(), (FakeAtlasTexture::Rect { 253, 253, 3, 3 }));
    EXPECT_EQ(device.last->pixels, bytes(atlas->data()));
}

class AtlasCapTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("ZENTROVA_ATLAS_MAX"); }
};

TEST_F(AtlasCapTest, EnvironmentCapIsReadAsADecimalAndClamped)
{
    struct Case {
        const char* value; // nullptr: unset
        int maxTexture;
        int grayscale, bgra;
    };
    for (Case c : { Case { nullptr, 16384, 8192, 4096 }, Case { "100", 16384, 256, 256 },
                    Case { "20000", 16384, 16384, 16384 }, Case { "20000", 8192, 8192, 8192 },
                    Case { "20000", 16383, 8192, 8192 }, Case { "+3000", 8192, 3000, 3000 }, Case { "-5", 8192, 256, 256 },
                    Case { "abc", 16384, 8192, 4096 }, Case { "", 16384, 8192, 4096 }, Case { "12 ", 16384, 8192, 4096 },
                    Case { "+", 16384, 8192, 4096 }, Case { "99999999999999999999999", 16384, 8192, 4096 } }) {
        if (c.value)
            setenv("ZENTROVA_ATLAS_MAX", c.value, 1);
        else
            unsetenv("ZENTROVA_ATLAS_MAX");
        FakeAtlasDevice device;
        device.maxTexture = c.maxTexture;
        const std::string label = std::string(c.value ? c.value : "<unset>") + " on " + std::to_string(c.maxTexture);
        EXPECT_EQ(GlyphAtlas::recommendedMaxSize(device, GlyphAtlasFormat::grayscale), c.grayscale) << label;
        EXPECT_EQ(GlyphAtlas::recommendedMaxSize(device, GlyphAtlasFormat::bgra), c.bgra) << label;
    }
}

} // namespace
} // namespace zentrova
