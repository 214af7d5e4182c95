#include "ZentrovaView/Gpu/CacheSignature.h"
#include "ZentrovaView/Gpu/GlyphCacheKeys.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace zentrova {
namespace {

template <class T>
void expectSameKey(const T& a, const T& b)
{
    EXPECT_TRUE(a == b);
    EXPECT_EQ(std::hash<T> {}(a), std::hash<T> {}(b));
    std::unordered_set<T> set { a };
    EXPECT_TRUE(set.count(b));
}

TEST(GpuCacheKeys, NegativeZeroIsTheSameKeyAsZero)
{
    expectSameKey(GlyphKey { "DejaVu Sans Mono", 0.0, 7 }, GlyphKey { "DejaVu Sans Mono", -0.0, 7 });
    expectSameKey(GlyphEntry { { 1, 2, 3, 4 }, { 0.0, 5 }, { -0.0, 0.0 }, false, GlyphAtlasKind::grayscale },
                  GlyphEntry { { 1, 2, 3, 4 }, { -0.0, 5 }, { 0.0, -0.0 }, false, GlyphAtlasKind::grayscale });
    expectSameKey(CustomGlyphEntry { { 1, 1, 8, 16 }, { -0.0, 16 } }, CustomGlyphEntry { { 1, 1, 8, 16 }, { 0.0, 16 } });

    CacheSignature zero;
    zero.fontName = "DejaVu Sans Mono";
    CacheSignature negative = zero;
    negative.scale = -0.0;
    negative.cellWidth = -0.0;
    negative.viewHeight = -0.0;
    negative.fontSize = -0.0;
    expectSameKey(zero, negative);
}

TEST(GpuCacheKeys, EveryFieldTellsKeysApart)
{
    CacheSignature base;
    base.scale = 2;
    base.cellWidth = 8.5;
    base.cellHeight = 17;
    base.viewWidth = 640;
    base.viewHeight = 480;
    base.yDisp = 10;
    base.rows = 24;
    base.cols = 80;
    base.fontName = "DejaVu Sans Mono";
    base.fontSize = 12;
    base.kittyStamp = { 1, 2, 3, 4 };

    std::vector<CacheSignature> variants(14, base);
    variants[1].scale = 1;
    variants[2].cellWidth = 8;
    variants[3].cellHeight = 18;
    variants[4].viewWidth = 641;
    variants[5].viewHeight = 481;
    variants[6].yDisp = 11;
    variants[7].rows = 25;
    variants[8].cols = 81;
    variants[9].fontName = "Noto Sans Mono";
    variants[10].fontSize = 13;
    variants[11].isAltBuffer = true;
    variants[12].kittyStamp.nextPlacementId = 5;
    variants[13].bidiHostPolicy = BidiHostPolicy::legacyLeftToRight;
    std::unordered_set<CacheSignature> set(variants.begin(), variants.end());
    EXPECT_EQ(set.size(), variants.size());

    std::unordered_set<GlyphKey> glyphs { { "A", 12, 1 }, { "A", 12, 2 }, { "A", 13, 1 }, { "B", 12, 1 } };
    EXPECT_EQ(glyphs.size(), 4u);
    std::unordered_set<CustomGlyphKey> custom { { 0x2500, 8, 16, 1, 2, true }, { 0x2500, 8, 16, 1, 2, false },
                                                { 0x2500, 8, 16, 1, 1, true }, { 0x2500, 8, 16, 2, 2, true },
                                                { 0x2500, 8, 17, 1, 2, true }, { 0x2500, 9, 16, 1, 2, true },
                                                { 0x2501, 8, 16, 1, 2, true } };
    EXPECT_EQ(custom.size(), 7u);
    std::unordered_set<KittyImageSignature> images { { 1, 2, 3, 4, 5 }, { 2, 2, 3, 4, 5 }, { 1, 3, 3, 4, 5 },
                                                     { 1, 2, 4, 4, 5 }, { 1, 2, 3, 5, 5 }, { 1, 2, 3, 4, 6 },
                                                     { 1, 2, 3, 4, 5, 1 } };
    EXPECT_EQ(images.size(), 7u);
}

} // namespace
} // namespace zentrova
