#include "Zentrova/Screen/UnicodeUtil.h"
#include "Zentrova/Screen/UnicodeWidthData.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(UnicodeUtil, ColumnWidths)
{
    struct Case {
        char32_t rune;
        int width;
        const char* what;
    };
    const Case cases[] = {
        { 0x0000, 0, "NUL" },
        { 0x0007, -1, "BEL" },
        { 0x007F, -1, "DEL" },
        { 0x009B, -1, "C1 CSI" },
        { 'A', 1, "ASCII" },
        { 0x00A0, 1, "no-break space" },
        { 0x0301, 0, "combining acute" },
        { 0x20DD, 0, "enclosing circle" },
        { 0x0903, 0, "spacing mark" },
        { 0x00AD, 1, "soft hyphen" },
        { 0x200B, 0, "zero width space (format)" },
        { 0x200D, 0, "zero width joiner" },
        { 0xFE0F, 0, "VS16" },
        { 0xFE0E, 0, "VS15" },
        { 0x2028, 0, "line separator" },
        { 0x1100, 2, "Hangul initial" },
        { 0x1160, 0, "Hangul medial vowel" },
        { 0x11FF, 0, "Hangul final" },
        { 0xD7B0, 0, "Hangul extended vowel" },
        { 0xAC00, 2, "Hangul syllable" },
        { 0x4E00, 2, "CJK ideograph" },
        { 0x3000, 2, "ideographic space" },
        { 0xFF01, 2, "fullwidth !" },
        { 0xFF3E, 2, "fullwidth circumflex (modifier symbol)" },
        { 0xFFE3, 2, "fullwidth macron (modifier symbol)" },
        { 0x02C6, 1, "modifier circumflex" },
        { 0x1F1E6, 2, "regional indicator A" },
        { 0x1F1FF, 2, "regional indicator Z" },
        { 0x1F3FB, 0, "skin tone" },
        { 0x1F600, 2, "emoji presentation" },
        { 0x2764, 1, "heavy heart (text presentation)" },
        { 0x231A, 2, "watch (emoji presentation)" },
        { 0x20000, 2, "plane 2" },
        { 0x3FFFD, 2, "end of plane 3" },
        { 0x40000, 1, "plane 4" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UnicodeUtil::computeColumnWidth(c.rune), c.width);
    }
}

TEST(UnicodeUtil, LowPlaneTableAgreesWithTheRules)
{
    const auto& table = UnicodeUtil::lowPlaneWidths();
    EXPECT_EQ(table[0x1100], 2);
    EXPECT_EQ(table[0xA0], 1);
    EXPECT_EQ(table[0x1160], 0);
    EXPECT_EQ(table[0x1B], -1);
}

TEST(UnicodeUtil, RangeTableSearch)
{
    const auto& wide = UnicodeWidthData::eastAsianWide;
    const int last = int(wide.size()) - 1;
    struct Case {
        uint32_t rune;
        bool found;
    };
    const Case cases[] = {
        { 0x1100, true }, { 0x115F, true }, { 0x3FFFD, true }, { 0x23F0, true }, { 0x10FF, false },
        { 0x40000, false }, { 0x23F1, false }, { 0x2FFFE, false }, { 0x30000, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rune);
        EXPECT_EQ(UnicodeUtil::bisearch(c.rune, wide, last), c.found);
    }
    const auto& vs16 = UnicodeWidthData::emojiVs16Base;
    EXPECT_TRUE(UnicodeUtil::bisearch(0x2764, vs16, int(vs16.size()) - 1));
    EXPECT_TRUE(UnicodeUtil::bisearch('#', vs16, int(vs16.size()) - 1));
    EXPECT_TRUE(UnicodeUtil::bisearch(0x1F6F3, vs16, int(vs16.size()) - 1));
    EXPECT_FALSE(UnicodeUtil::bisearch('A', vs16, int(vs16.size()) - 1));
    EXPECT_FALSE(UnicodeUtil::bisearch(0x1F600, vs16, int(vs16.size()) - 1));
}

TEST(UnicodeUtil, LeadByteTable)
{
    struct Case {
        uint8_t byte;
        uint8_t entry;
    };
    const Case cases[] = {
        { 0x00, 0xF0 }, { 0x7F, 0xF0 }, { 0x80, 0xF1 }, { 0xC1, 0xF1 }, { 0xC2, 0x02 }, { 0xDF, 0x02 },
        { 0xE0, 0x13 }, { 0xE1, 0x03 }, { 0xEC, 0x03 }, { 0xED, 0x23 }, { 0xEE, 0x03 }, { 0xEF, 0x03 },
        { 0xF0, 0x34 }, { 0xF1, 0x04 }, { 0xF3, 0x04 }, { 0xF4, 0x44 }, { 0xF5, 0xF1 }, { 0xFF, 0xF1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.byte));
        EXPECT_EQ(UnicodeUtil::first[c.byte], c.entry);
    }
}

TEST(UnicodeUtil, TextPresentation)
{
    struct Case {
        const char* character;
        bool prefersText;
        const char* adjusted;
    };
    const Case cases[] = {
        { "#", false, "#" },                                 // an emoji, but not above U+00FF
        { "a", false, "a" },
        { "\u2764", true, "\u2764\uFE0E" },                  // heavy black heart
        { "\u263A", true, "\u263A\uFE0E" },                  // white smiling face
        { "\U0001F600", false, "\U0001F600" },               // emoji presentation by default
        { "\u2764\uFE0F", false, "\u2764\uFE0F" },           // two scalars
        { "\U0001F1E9\U0001F1EA", false, "\U0001F1E9\U0001F1EA" },
        { "", false, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.character);
        EXPECT_EQ(UnicodeUtil::prefersTextPresentation(c.character), c.prefersText);
        EXPECT_EQ(UnicodeUtil::textPresentationAdjusted(c.character), c.adjusted);
    }
}

} // namespace
} // namespace zentrova
