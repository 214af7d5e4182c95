#include "ZentrovaView/Gpu/CoreTextGlyphRasterizer.h"

#include <QFont>
#include <QRawFont>

#include <gtest/gtest.h>

namespace zentrova {
namespace {

// The font of `family` at `pixelSize`, or an invalid one when fontconfig substitutes another family.
QRawFont rawFont(const QString& family, double pixelSize)
{
    QFont font(family);
    font.setPixelSize(int(pixelSize));
    QRawFont raw = QRawFont::fromFont(font);
    if (raw.familyName() != family)
        return QRawFont();
    return raw;
}

uint16_t glyphOf(const QRawFont& font, QString text)
{
    const auto glyphs = font.glyphIndexesForString(text);
    return glyphs.isEmpty() ? 0 : uint16_t(glyphs.front());
}

TEST(CoreTextGlyphRasterizer, ALetterIsWhiteCoverageInsideItsBounds)
{
    const QRawFont font = rawFont("DejaVu Sans Mono", 32);
    if (!font.isValid())
        GTEST_SKIP() << "DejaVu Sans Mono is not installed";
    CoreTextGlyphRasterizer rasterizer;
    for (bool smoothing : { true, false }) {
        rasterizer.fontSmoothing = smoothing;
        auto bitmap = rasterizer.rasterize(font, glyphOf(font, "g"));
        ASSERT_TRUE(bitmap);
        EXPECT_FALSE(bitmap->isColor);
        EXPECT_EQ(bitmap->pixels.size(), size_t(bitmap->width) * size_t(bitmap->height) * 4);
        // "g" descends below the baseline and starts near its origin.
        EXPECT_LT(bitmap->bearing.y, 0);
        EXPECT_GE(bitmap->bearing.x, 0);
        EXPECT_GT(bitmap->height + bitmap->bearing.y, 10) << "its top stands above the baseline";

        // Ink reaches every edge of the bitmap (the bounds are tight), and the top row is the glyph's top.
        auto alpha = [&](int x, int row) { return bitmap->pixels[(size_t(row) * size_t(bitmap->width) + size_t(x)) * 4 + 3]; };
        int inkTop = 0, inkBottom = 0, inkLeft = 0, inkRight = 0;
        for (int x = 0; x < bitmap->width; ++x) {
            inkTop += alpha(x, 0);
            inkBottom += alpha(x, bitmap->height - 1);
        }
        for (int row = 0; row < bitmap->height; ++row) {
            inkLeft += alpha(0, row);
            inkRight += alpha(bitmap->width - 1, row);
        }
        EXPECT_GT(inkTop, 0);
        EXPECT_GT(inkBottom, 0);
        EXPECT_GT(inkLeft, 0);
        EXPECT_GT(inkRight, 0);
    }
}

TEST(CoreTextGlyphRasterizer, ASpaceHasNoBitmap)
{
    const QRawFont font = rawFont("DejaVu Sans Mono", 16);
    if (!font.isValid())
        GTEST_SKIP() << "DejaVu Sans Mono is not installed";
    EXPECT_FALSE(CoreTextGlyphRasterizer().rasterize(font, glyphOf(font, " ")));
    EXPECT_FALSE(CoreTextGlyphRasterizer().rasterize(QRawFont(), 1));
}

TEST(CoreTextGlyphRasterizer, CjkIsCoverageAndEmojiIsColour)
{
    const QRawFont cjk = rawFont("Noto Sans CJK SC", 24);
    const QRawFont emoji = rawFont("Noto Color Emoji", 32);
    if (!cjk.isValid() || !emoji.isValid())
        GTEST_SKIP() << "Noto Sans CJK SC or Noto Color Emoji is not installed";
    CoreTextGlyphRasterizer rasterizer;
    auto han = rasterizer.rasterize(cjk, glyphOf(cjk, QString::fromUtf8("字")));
    ASSERT_TRUE(han);
    EXPECT_FALSE(han->isColor);
    EXPECT_GT(han->width, 15);

    auto smile = rasterizer.rasterize(emoji, glyphOf(emoji, QString::fromUtf8("😀")));
    ASSERT_TRUE(smile);
    EXPECT_TRUE(smile->isColor);
    EXPECT_GT(smile->width, 20);
    EXPECT_GT(smile->height, 20);
}

} // namespace
} // namespace zentrova
