#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QRawFont>

#include <cmath>

namespace zentrova {
namespace {

struct Glyph {
    QRawFont font;
    quint32 index = 0;
};

Glyph glyphOf(const QString& text, const QFont& base)
{
    Glyph glyph { TerminalView::resolvedFont(text, base) };
    const QList<quint32> indexes = glyph.font.glyphIndexesForString(text);
    glyph.index = indexes.isEmpty() ? 0 : indexes.first();
    return glyph;
}

TEST(GlyphSlotFit, FallbackFontsComeFromFontMerging)
{
    const QFont base = testFont();
    EXPECT_EQ(TerminalView::resolvedFont("A", base).familyName(), "DejaVu Sans Mono");
    // Only the colour emoji font has the crab here (DejaVu Sans has some older emoji of its own).
    EXPECT_EQ(TerminalView::resolvedFont("🦀", base).familyName(), "Noto Color Emoji");
    // Cached per base font and text: the same answer the second time.
    EXPECT_EQ(TerminalView::resolvedFont("🦀", base).familyName(), "Noto Color Emoji");
}

TEST(GlyphSlotFit, ATallWideEmojiIsScaledAndCentredInItsSlot)
{
    const Glyph emoji = glyphOf("🦀", testFont());
    ASSERT_NE(emoji.index, 0u);
    const QRectF box = emoji.font.boundingRect(emoji.index);
    ASSERT_FALSE(box.isEmpty());
    const double advance = emoji.font.advancesForGlyphIndexes(QList<quint32> { emoji.index }).first().x();
    const double baselineOffset = 3.2;
    struct Case {
        const char* name;
        QSizeF cell;
        double scale;
    };
    // A cell half the emoji's height, and one so small the scale stops at a tenth.
    const Case cases[] = {
        { "half height", { box.width(), box.height() / 2 }, 0.5 },
        { "tiny", { 1, 1 }, 0.1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GlyphSlotFit fit = GlyphSlotFit::fit(emoji.font, emoji.index, 2, c.cell, baselineOffset);
        EXPECT_NEAR(fit.scale, c.scale, 1e-9);
        EXPECT_NEAR(fit.dx, (c.cell.width() * 2 - fit.scale * advance) / 2, 1e-9);
        // The scaled box's middle lands on the cell's middle.
        const double baseline = c.cell.height() - std::ceil(baselineOffset);
        EXPECT_NEAR(baseline + fit.dy + fit.scale * box.center().y(), c.cell.height() / 2, 1e-9);
    }
}

TEST(GlyphSlotFit, GlyphsThatFitOrSingleColumnsAreNotScaled)
{
    const Glyph narrow = glyphOf("i", testFont());
    const double advance = narrow.font.advancesForGlyphIndexes(QList<quint32> { narrow.index }).first().x();
    const QSizeF cell(20, 40);
    EXPECT_EQ(GlyphSlotFit::fit(narrow.font, narrow.index, 2, cell, 3), (GlyphSlotFit { (40 - advance) / 2, 0, 1 }));
    EXPECT_EQ(GlyphSlotFit::fit(narrow.font, narrow.index, 1, cell, 3), GlyphSlotFit {});
    EXPECT_EQ(GlyphSlotFit::fit(narrow.font, narrow.index, 2, std::nullopt, 3), GlyphSlotFit {});
    const Glyph emoji = glyphOf("🦀", testFont());
    EXPECT_EQ(GlyphSlotFit::fit(emoji.font, emoji.index, 1, QSizeF(1, 1), 3), GlyphSlotFit {});
}

TEST(GlyphSlotFit, TheViewFitsWithItsOwnCellsAndFont)
{
    TerminalView view(nullptr, testFont());
    const Glyph emoji = glyphOf("🦀", testFont());
    const QFontMetricsF metrics(testFont());
    EXPECT_EQ(view.glyphSlotFit(emoji.font, emoji.index, 2),
              GlyphSlotFit::fit(emoji.font, emoji.index, 2, view.cellDimension(), metrics.descent() + metrics.leading()));
}

// A colour glyph fills its slot: scaled up or down until its box meets the cell's height or the
// slot's width, whichever comes first; a monochrome glyph that fits keeps its size.
TEST(GlyphSlotFit, AColourGlyphIsScaledToFillTheCellBox)
{
    const Glyph emoji = glyphOf("🦀", testFont());
    ASSERT_TRUE(GlyphSlotFit::isColorFont(emoji.font));
    EXPECT_FALSE(GlyphSlotFit::isColorFont(glyphOf("A", testFont()).font));
    const QRectF box = emoji.font.boundingRect(emoji.index);
    struct Case {
        const char* name;
        QSizeF cell;
    };
    const Case cases[] = {
        { "twice as tall", { box.width(), box.height() * 2 } },
        { "half as tall", { box.width(), box.height() / 2 } },
        { "narrow and tall", { box.width() / 4, box.height() * 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GlyphSlotFit fit = GlyphSlotFit::fit(emoji.font, emoji.index, 2, c.cell, 3);
        const QSizeF scaled = box.size() * fit.scale;
        EXPECT_LE(scaled.height(), c.cell.height() + 1e-9);
        EXPECT_LE(scaled.width(), c.cell.width() * 2 + 1e-9);
        EXPECT_TRUE(std::abs(scaled.height() - c.cell.height()) < 1e-9
                    || std::abs(scaled.width() - c.cell.width() * 2) < 1e-9);
    }
    const Glyph narrow = glyphOf("i", testFont());
    EXPECT_EQ(GlyphSlotFit::fit(narrow.font, narrow.index, 2, box.size() * 2, 3).scale, 1);
}

} // namespace
} // namespace zentrova
