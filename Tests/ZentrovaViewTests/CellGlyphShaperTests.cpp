#include "TerminalViewTestSupport.h"

#include "ZentrovaView/CellGlyphShaper.h"

#include <gtest/gtest.h>

#include <QRawFont>

namespace zentrova {
namespace {

// One cell per entry of `cells`, each its own text.
ViewLineSegment segmentOf(std::initializer_list<QString> cells)
{
    ViewLineSegment segment;
    int ordinal = 0;
    for (const QString& cell : cells) {
        segment.text += cell;
        segment.utf16ToCellOrdinal.insert(segment.utf16ToCellOrdinal.end(), size_t(cell.size()), ordinal++);
        segment.utf16IsCellIdentity = segment.utf16IsCellIdentity && cell.size() == 1;
    }
    segment.characterCount = 1;
    return segment;
}

// The painter shapes every run into the same storage: glyphs of the run before must not stay behind,
// whether it had more faces or more glyphs than the next.
TEST(CellGlyphShaper, ShapingIntoUsedRunsGivesWhatFreshShapingGives)
{
    const QFont font = testFont();
    const QRawFont raw = QRawFont::fromFont(font);
    const ViewLineSegment segments[] = {
        // A cluster shaped on its own, a character of another face and plain letters.
        segmentOf({ "a", QString::fromUtf8("e\xcc\x81"), QString::fromUtf8("\xf0\x9f\xa6\x80"), "b", "c" }),
        segmentOf({ "x", "y" }),
        segmentOf({}),
        segmentOf({ QString::fromUtf8("\xf0\x9f\xa6\x80"), "z" }),
    };
    std::vector<CellGlyphRun> reused;
    for (const ViewLineSegment& segment : segments) {
        SCOPED_TRACE(segment.text.toStdString());
        const int length = int(segment.text.size());
        CellGlyphShaper::shape(segment, 0, length, font, raw, true, reused);
        const std::vector<CellGlyphRun> fresh = CellGlyphShaper::shape(segment, 0, length, font, raw, true);
        ASSERT_EQ(reused.size(), fresh.size());
        for (size_t i = 0; i < fresh.size(); i++) {
            EXPECT_TRUE(reused[i].font == fresh[i].font);
            EXPECT_EQ(reused[i].glyphs, fresh[i].glyphs);
            EXPECT_EQ(reused[i].ordinals, fresh[i].ordinals);
            EXPECT_EQ(reused[i].offsets, fresh[i].offsets);
        }
    }
}

} // namespace
} // namespace zentrova
