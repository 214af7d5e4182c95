#include "Zentrova/Screen/CharData.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zentrova {
namespace {

using Color = Attribute::Color;

TEST(CharData, NullIsADefaultOnDefaultBlankUnlikeTheEmptyAttribute)
{
    const auto& null = CharData::Null;
    EXPECT_EQ(null.code(), 0u);
    EXPECT_EQ(null.width(), 1);
    EXPECT_FALSE(null.hasPayload());
    EXPECT_EQ(null.semanticContentCode(), 0);
    EXPECT_EQ(null.attribute().fg, Color::defaultColor);
    EXPECT_EQ(null.attribute().bg, Color::defaultColor);
    EXPECT_EQ(null.attribute().underlineColor, std::nullopt);
    EXPECT_TRUE(null.hasDefaultAttribute());
    EXPECT_EQ(Attribute::empty.bg, Color::defaultInvertedColor);
    EXPECT_NE(null.attribute(), Attribute::empty);
    EXPECT_EQ(CharData(), CharData::Null);
}

TEST(CharData, EveryAttributeSurvivesPackingIntoTheCell)
{
    const Color colors[] = {
        Color::ansi256(0),      Color::ansi256(255),          Color::trueColor(0, 0, 0),
        Color::trueColor(255, 255, 255), Color::trueColor(12, 200, 7), Color::defaultColor,
        Color::defaultInvertedColor,
    };
    for (const auto& fg : colors) {
        for (const auto& bg : colors) {
            for (std::optional<Color> underline : { std::optional<Color>(), std::optional<Color>(fg) }) {
                Attribute attribute { fg, bg, CharacterStyle { 0xA5 }, UnderlineStyle::dashed, underline };
                CharData cell(attribute, 0x1F600, 2, TinyAtom { 77 }, 6);
                SCOPED_TRACE(attribute.toSgr());
                EXPECT_EQ(cell.attribute(), attribute);
                EXPECT_EQ(cell.code(), 0x1F600u);
                EXPECT_EQ(cell.width(), 2);
                EXPECT_EQ(cell.payload().code, 77);
                EXPECT_EQ(cell.semanticContentCode(), 6);
                EXPECT_EQ(cell.hasDefaultAttribute(), false);
            }
        }
    }
}

TEST(CharData, AttributeKeysAreEqualExactlyWhenTheAttributesAre)
{
    const Attribute attributes[] = {
        CharData::Null.attribute(),
        Attribute::empty,
        { Color::ansi256(1), Color::defaultColor, CharacterStyle::bold, UnderlineStyle::none, std::nullopt },
        { Color::ansi256(1), Color::defaultColor, CharacterStyle::bold | CharacterStyle::dim, UnderlineStyle::none,
          std::nullopt },
        { Color::trueColor(1, 2, 3), Color::trueColor(3, 2, 1), CharacterStyle::underline, UnderlineStyle::curly,
          std::nullopt },
        { Color::trueColor(1, 2, 3), Color::trueColor(3, 2, 1), CharacterStyle::underline, UnderlineStyle::curly,
          Color::trueColor(9, 9, 9) },
        { Color::trueColor(1, 2, 3), Color::trueColor(3, 2, 1), CharacterStyle::underline, UnderlineStyle::curly,
          Color::trueColor(9, 9, 8) },
        { Color::trueColor(1, 2, 3), Color::trueColor(3, 2, 1), CharacterStyle::underline, UnderlineStyle::curly,
          Color::ansi256(8) },
    };
    for (size_t i = 0; i < std::size(attributes); i++) {
        for (size_t j = 0; j < std::size(attributes); j++) {
            SCOPED_TRACE(attributes[i].toSgr() + " vs " + attributes[j].toSgr());
            // The character, width, payload and semantic content differ on purpose: none of them is the look.
            const CharData first(attributes[i], 'a', 1, TinyAtom {}, 0);
            const CharData second(attributes[j], 0x4E00, 2, TinyAtom { 5 }, 2);
            EXPECT_EQ(first.attributeKey() == second.attributeKey(), i == j);
        }
    }
}

TEST(CharData, DistinctTrueColourUnderlinesKeepTheirValues)
{
    // Each distinct 24-bit underline colour takes a slot of the shared table; the same colour shares it.
    for (int i = 0; i < 3000; i++) {
        auto colour = Color::trueColor(uint8_t(i), uint8_t(i >> 8), 0xAB);
        Attribute attribute { Color::defaultColor, Color::defaultColor, {}, UnderlineStyle::curly, colour };
        CharData cell(attribute, 'x', 1);
        ASSERT_EQ(cell.attribute().underlineColor, colour) << i;
        EXPECT_EQ(cell, CharData(attribute, 'x', 1));
    }
}

// Every distinct 24-bit underline colour takes one of 65,277 slots that are never given back; beyond
// them a colour must still come out close, not as garbage. Runs in a child process so the filled
// table does not leak into other tests.
TEST(CharData, UnderlineColoursBeyondTheTableFallBackToTheNearestPaletteEntry)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto underlined = [](Color colour) {
                return CharData({ Color::defaultColor, Color::defaultColor, {}, UnderlineStyle::single, colour }, 'u', 1)
                    .attribute()
                    .underlineColor;
            };
            bool exact = true;
            for (uint32_t i = 0; i < 65277; i++) {
                auto colour = Color::trueColor(uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i));
                exact = exact && underlined(colour) == colour;
            }
            bool fallbacks = underlined(Color::trueColor(250, 10, 10)) == Color::ansi256(196)
                && underlined(Color::trueColor(0x80, 0x80, 0x82)) == Color::ansi256(244)
                && underlined(Color::trueColor(0, 0, 0)) == Color::trueColor(0, 0, 0) // already in the table
                && underlined(Color::ansi256(5)) == Color::ansi256(5);
            std::exit(exact && fallbacks ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(CharData, CharacterOfInvalidAndInternedCodesIsASpace)
{
    struct Case {
        int32_t code;
        char32_t character;
        bool simple;
        const char* description;
    };
    const Case cases[] = {
        { 'A', U'A', true, "CharData: 65 A" },
        { 0x4E00, U'\u4E00', true, "CharData: 19968 \xE4\xB8\x80" },
        { 0xD800, U' ', true, "CharData: 55296 ?" },
        { 0x110000, U' ', true, "CharData: 1114112 ?" },
        { 0x400001, U' ', false, "CharData: 4194305 ?" },
        { 0x3FFFFF, U' ', true, "CharData: 4194303 ?" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        CharData cell;
        cell.setValue(c.code, 1);
        EXPECT_EQ(cell.getCharacter(), c.character);
        EXPECT_EQ(cell.isSimpleRune(), c.simple);
        EXPECT_EQ(cell.debugDescription(), c.description);
    }
}

TEST(CharData, CodesAndWidthsOutsideTheCellsRangeAreKeptInRange)
{
    CharData cell;
    cell.setValue(int32_t(CharData::maxCode), -1);
    EXPECT_EQ(cell.code(), CharData::maxCode);
    EXPECT_EQ(cell.width(), -1);
    cell.setValue(int32_t(CharData::maxCode + 1), 300);
    EXPECT_EQ(cell.code(), 0xFFFDu);
    EXPECT_EQ(cell.width(), 127);
    cell.setValue(-5, -200);
    EXPECT_EQ(cell.code(), 0xFFFDu);
    EXPECT_EQ(cell.width(), -128);
}

// withValue() works on the packed cell as a whole: it must agree with setValue() and leave every
// other field as it was.
TEST(CharData, WithValueChangesOnlyTheCodeAndWidth)
{
    const Attribute attribute { Color::trueColor(1, 2, 3), Color::ansi256(200), CharacterStyle { 0xFF },
                                UnderlineStyle::curly, Color::trueColor(9, 8, 7) };
    const CharData cell(attribute, 0x1F600, 2, TinyAtom { 0xFFFF }, 7);
    const std::pair<int32_t, int32_t> values[] = {
        { 'a', 1 }, { 0, 0 }, { 0x6F22, 2 }, { int32_t(CharData::maxCode), -1 }, { int32_t(CharData::maxCode + 1), 300 },
        { -5, -200 },
    };
    for (const auto& [code, width] : values) {
        SCOPED_TRACE(code);
        CharData expected = cell;
        expected.setValue(code, width);
        EXPECT_EQ(cell.withValue(code, width), expected);
    }
}

TEST(CharData, SemanticContentCodes)
{
    struct Case {
        uint8_t code;
        SemanticContent content;
    };
    const Case cases[] = {
        { 0, SemanticContent::none },
        { 1, SemanticContent::prompt(SemanticPromptKind::initial) },
        { 2, SemanticContent::prompt(SemanticPromptKind::right) },
        { 3, SemanticContent::prompt(SemanticPromptKind::continuation) },
        { 4, SemanticContent::prompt(SemanticPromptKind::secondary) },
        { 5, SemanticContent::input },
        { 6, SemanticContent::output },
        { 7, SemanticContent::none },
        { 9, SemanticContent::none },
        { 255, SemanticContent::none },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.code));
        CharData cell;
        cell.setSemanticContentCode(c.code);
        EXPECT_EQ(cell.semanticContent(), c.content);
        if (c.code <= 6) {
            EXPECT_EQ(c.content.code(), c.code);
        }
    }
}

} // namespace
} // namespace zentrova
