#include "Gpu/RendererTestSupport.h"

#include <gtest/gtest.h>

#include <QFontDatabase>

namespace zentrova {
namespace {

struct ShaperFixture {
    QFont font = testFont();
    QRawFont raw = QRawFont::fromFont(font);
    ShaperCache cache;

    std::shared_ptr<const ShaperRun> shape(const QString& text) { return cache.shape(text, {}, font, raw); }
    ShaperKey key(const QString& text) const { return { rawFontName(raw), raw.pixelSize(), text, {} }; }
};

TEST(MetalShaperCache, TheOldestTextGoesFirstEvenWhenUsedEveryFrame)
{
    ShaperFixture fixture;
    ASSERT_TRUE(fixture.shape("t0"));
    for (int i = 1; i < int(ShaperCache::maxEntries); i++) {
        fixture.shape("t" + QString::number(i));
        ASSERT_TRUE(fixture.shape("t0")) << "a hit every frame";
    }
    EXPECT_EQ(fixture.cache.size(), ShaperCache::maxEntries);
    EXPECT_TRUE(fixture.cache.contains(fixture.key("t0")));
    fixture.shape("one more");
    EXPECT_EQ(fixture.cache.size(), ShaperCache::maxEntries);
    EXPECT_FALSE(fixture.cache.contains(fixture.key("t0")));
    EXPECT_TRUE(fixture.cache.contains(fixture.key("t1")));
}

TEST(MetalShaperCache, InsertingAKeyAgainKeepsItsPlace)
{
    ShaperFixture fixture;
    const auto run = fixture.shape("first");
    for (int i = 1; i < int(ShaperCache::maxEntries); i++)
        fixture.shape("t" + QString::number(i));
    fixture.cache.insert(fixture.key("first"), run);
    fixture.shape("one more");
    EXPECT_FALSE(fixture.cache.contains(fixture.key("first")));
    EXPECT_TRUE(fixture.cache.contains(fixture.key("t1")));
}

TEST(MetalShaperCache, RightToLeftTextIsShapedInTheOrderGiven)
{
    ShaperFixture fixture;
    const QString hebrew = QString::fromUtf8("\xd7\x90\xd7\x91\xd7\x92"); // alef, bet, gimel
    const auto run = fixture.shape(hebrew);
    ASSERT_TRUE(run);
    ASSERT_EQ(run->glyphCount, 3);
    EXPECT_EQ(run->stringIndices, (std::vector<int> { 0, 1, 2 }));
    // Each face's glyphs are the characters' own, in logical order (a reordering would reverse them).
    for (const ShaperGlyphRun& piece : run->glyphRuns) {
        QString text;
        for (int index : piece.stringIndices)
            text += hebrew[index];
        const QList<quint32> mapped = piece.font.glyphIndexesForString(text);
        EXPECT_EQ(piece.glyphs, std::vector<uint32_t>(mapped.begin(), mapped.end()));
    }
}

TEST(MetalShaperCache, FallbackGlyphsCarryTheSubstitutedFaceAndItsName)
{
    if (!QFontDatabase::families().contains("Noto Sans CJK SC"))
        GTEST_SKIP() << "Noto Sans CJK SC is not installed";
    ShaperFixture fixture;
    const auto run = fixture.shape(QString::fromUtf8("a\xe4\xb8\xad"));
    ASSERT_TRUE(run);
    ASSERT_EQ(run->glyphRuns.size(), 2u);
    EXPECT_EQ(run->glyphRuns[0].font.familyName(), "DejaVu Sans Mono");
    EXPECT_NE(run->glyphRuns[1].font.familyName(), "DejaVu Sans Mono");
    EXPECT_NE(rawFontName(run->glyphRuns[1].font), rawFontName(fixture.raw));
    EXPECT_EQ(run->glyphRuns[1].stringIndices, std::vector<int> { 1 });
}

TEST(MetalShaperCache, CellsOfSeveralUnitsShareTheirFirstUnitsIndex)
{
    ShaperFixture fixture;
    // "x" with a combining acute in cell 0, "y" in cell 1.
    const auto run = fixture.cache.shape(QString::fromUtf8("x\xcc\x81y"), std::vector<int> { 0, 0, 1 }, fixture.font, fixture.raw);
    ASSERT_TRUE(run);
    ASSERT_EQ(run->glyphCount, 3);
    EXPECT_EQ(run->stringIndices, (std::vector<int> { 0, 0, 2 }));
    EXPECT_EQ(run->positions[2], QPointF()) << "a cell's first glyph sits at its origin";
}

} // namespace
} // namespace zentrova
