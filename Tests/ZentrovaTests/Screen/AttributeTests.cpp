#include "Zentrova/Screen/Attribute.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace zentrova {
namespace {

using Color = Attribute::Color;

Attribute attribute(Color fg, Color bg, CharacterStyle style = CharacterStyle::none)
{
    return { fg, bg, style, UnderlineStyle::none, std::nullopt };
}

TEST(Attribute, ToSgrReportsEveryStyleAndColourInTheirShortestForms)
{
    struct Case {
        const char* name;
        Attribute attribute;
        const char* sgr;
    };
    const auto all = CharacterStyle::bold | CharacterStyle::underline | CharacterStyle::blink
        | CharacterStyle::inverse | CharacterStyle::invisible;
    const Case cases[] = {
        { "empty", Attribute::empty, "0m" },
        { "bold red on inverted default", attribute(Color::ansi256(1), Color::defaultInvertedColor, CharacterStyle::bold),
          "0;1;31m" },
        { "bright fg on low bg", attribute(Color::ansi256(12), Color::ansi256(3)), "0;94;43m" },
        { "cube fg on true-colour bg", attribute(Color::ansi256(16), Color::trueColor(1, 2, 3)),
          "0;38;5;16;48;2;1;2;3m" },
        { "true-colour fg", attribute(Color::trueColor(255, 0, 128), Color::defaultColor), "0;38;2;255;0;128m" },
        { "palette 7 and 8 are the edges of the short forms", attribute(Color::ansi256(7), Color::ansi256(8)),
          "0;37;100m" },
        { "palette 15 fg, 255 bg", attribute(Color::ansi256(15), Color::ansi256(255)), "0;97;48;5;255m" },
        { "palette 15 bg", attribute(Color::defaultColor, Color::ansi256(15)), "0;107m" },
        { "flags in fixed order", attribute(Color::defaultColor, Color::defaultColor, all), "0;1;4;5;7;8m" },
        { "dim, italic and crossed out in order with the others",
          attribute(Color::defaultColor, Color::defaultColor,
                    CharacterStyle::italic | CharacterStyle::dim | CharacterStyle::crossedOut | CharacterStyle::bold),
          "0;1;2;3;9m" },
        { "underline style and palette underline colour",
          { Color::defaultColor, Color::defaultColor, CharacterStyle::underline, UnderlineStyle::curly, Color::ansi256(2) },
          "0;4:3;58;5;2m" },
        { "single underline keeps the short form; true-colour underline colour",
          { Color::ansi256(1), Color::defaultColor, CharacterStyle::underline, UnderlineStyle::single,
            Color::trueColor(9, 8, 7) },
          "0;4;31;58;2;9;8;7m" },
        { "double underline", { Color::defaultColor, Color::defaultColor, CharacterStyle::underline,
                                UnderlineStyle::double_, std::nullopt }, "0;4:2m" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.attribute.toSgr(), c.sgr);
    }
}

TEST(Attribute, ColourEqualityComparesOnlyTheValuesOfItsCase)
{
    EXPECT_EQ(Color::ansi256(3), Color::ansi256(3));
    EXPECT_NE(Color::ansi256(3), Color::ansi256(4));
    EXPECT_NE(Color::ansi256(0), Color::trueColor(0, 0, 0));
    EXPECT_NE(Color::defaultColor, Color::defaultInvertedColor);
    EXPECT_EQ(Color::trueColor(1, 2, 3), Color::trueColor(1, 2, 3));
    EXPECT_NE(Color::trueColor(1, 2, 3), Color::trueColor(1, 2, 4));
    // Bytes a case does not use play no part.
    Color stray { Color::Kind::defaultColor, 9, 9, 9, 9 };
    EXPECT_EQ(stray, Color::defaultColor);
    EXPECT_EQ(std::hash<Color>()(stray), std::hash<Color>()(Color::defaultColor));
}

TEST(Attribute, EqualAttributesHashEquallyAndUnderlineColourPresenceCounts)
{
    Attribute withColour { Color::ansi256(1), Color::defaultColor, CharacterStyle::bold, UnderlineStyle::single,
                           Color::trueColor(9, 8, 7) };
    Attribute same = withColour;
    Attribute without = withColour;
    without.underlineColor.reset();
    Attribute defaultUnderline = withColour;
    defaultUnderline.underlineColor = Color::defaultColor;

    EXPECT_EQ(withColour, same);
    EXPECT_EQ(std::hash<Attribute>()(withColour), std::hash<Attribute>()(same));
    EXPECT_NE(withColour, without);
    EXPECT_NE(without, defaultUnderline);

    std::unordered_set<Attribute> set { withColour, same, without, defaultUnderline, Attribute::empty };
    EXPECT_EQ(set.size(), 4u);
}

TEST(Attribute, StyleSetAlgebraAndUnderlineStyleRawValues)
{
    auto style = CharacterStyle::bold | CharacterStyle::italic;
    EXPECT_EQ(style.rawValue, 65);
    EXPECT_TRUE(style.contains(CharacterStyle::italic));
    EXPECT_FALSE(style.contains(CharacterStyle::bold | CharacterStyle::dim));
    style.remove(CharacterStyle::bold);
    style.insert(CharacterStyle::crossedOut);
    EXPECT_EQ(style.rawValue, 64 + 128);
    EXPECT_EQ((style ^ CharacterStyle::italic), CharacterStyle::crossedOut);
    EXPECT_TRUE((style & CharacterStyle::dim).isEmpty());

    EXPECT_EQ(underlineStyleFromRawValue(3), UnderlineStyle::curly);
    EXPECT_EQ(underlineStyleFromRawValue(5), UnderlineStyle::dashed);
    EXPECT_EQ(underlineStyleFromRawValue(6), std::nullopt);
    EXPECT_EQ(underlineStyleFromRawValue(255), std::nullopt);
}

} // namespace
} // namespace zentrova
