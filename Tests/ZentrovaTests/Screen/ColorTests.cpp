#include "Zentrova/Screen/Color.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrova {
namespace {

std::optional<Color> parseBytes(std::string_view text)
{
    return Color::parseColor({ reinterpret_cast<const uint8_t*>(text.data()), text.size() });
}

TEST(Color, ChannelScalingAndXcolorText)
{
    EXPECT_EQ(Color::rgb8(255, 0, 128), (Color { 0xFFFF, 0, 0x8080 }));
    EXPECT_EQ(Color::rgb8(300, 1, 2), (Color { 0xFFFF, 257, 514 })); // capped at 255
    EXPECT_EQ(Color::rgb4(15, 1, 0), (Color { 0xF0F0, 0x1010, 0 }));
    EXPECT_EQ(Color::rgb8(255, 0, 128).formatAsXcolor(), "rgb:ffff/0000/8080");
    EXPECT_EQ(Color::defaultBackground.formatAsXcolor(), "rgb:0000/0000/0000");
    EXPECT_EQ(Color::defaultForeground.formatted(), "rgb:8a3d/8a3d/8a3d");
}

TEST(Color, ParseAcceptsTheHashAndRgbFormsOnly)
{
    struct Case {
        const char* text;
        std::optional<Color> color;
    };
    const Case cases[] = {
        { "#fff", Color { 0xF0F0, 0xF0F0, 0xF0F0 } },
        { "#ffffff", Color { 0xFFFF, 0xFFFF, 0xFFFF } },
        { "#123456", Color { 0x1212, 0x3434, 0x5656 } },
        { "#FFF000aaa", Color { 0xFFFF, 0x0000, 0xAAAA } },
        { "#123456789", Color { 0x1232, 0x4565, 0x78F8 } },
        { "#123456789abc", Color { 0x1234, 0x5678, 0x9ABC } },
        { "rgb:f/ff/fff", Color { 0x00F0, 0x0FFF, 0xFFFF } },
        { "rgb:ff/00/80", Color { 0xFFFF, 0, 0x8080 } },
        { "rgb:1/2/3", Color { 0x1010, 0x2020, 0x3030 } },
        { "rgb:ffff/8a3d/0", Color { 0xFFFF, 0x8A3D, 0 } },
        { "#ffff", std::nullopt },
        { "#ggg", std::nullopt },
        { "#", std::nullopt },
        { "white", std::nullopt },
        { "rgb:ff/ff", std::nullopt },
        { "rgb:ff/ff/ff/", std::nullopt },
        { "rgb:ff//ff", std::nullopt },
        { "rgb:fffff/0/0", std::nullopt },
        { "rgb:fg/0/0", std::nullopt },
        { "RGB:ff/ff/ff", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Color::parse(c.text), c.color);
    }
}

TEST(Color, ByteParserReadsShortAndBrokenFieldsAsFarAsTheyGo)
{
    struct Case {
        const char* bytes;
        std::optional<Color> color;
    };
    const Case cases[] = {
        { "rgb:ff", Color { 0xFFFF, 0, 0 } },       // missing fields read as no digits
        { "rgb:", std::nullopt },                  // no digits at all
        { "RGB:ff/ff/ff", std::nullopt },          // the prefix is lower case
        { "rgb:ffff/1/22", Color { 0xFFFF, 0x0001, 0x0022 } },
        { "#1x3", Color { 0x1010, 0, 0x3030 } },   // a stray byte ends its own field only
        { "#12", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(parseBytes(c.bytes), c.color);
    }
}

TEST(Color, XtermPaletteKeepsTheBaseAndAddsCubeAndGreys)
{
    const auto& base = Color::xtermColors();
    auto palette = Color::generateXtermPalette(base);
    ASSERT_EQ(palette.size(), 256u);
    for (size_t i = 0; i < 16; i++)
        EXPECT_EQ(palette[i], base[i]) << i;

    struct Case {
        size_t index;
        uint16_t r, g, b; // 8-bit levels
    };
    const Case cases[] = {
        { 16, 0, 0, 0 },       { 17, 0, 0, 95 },     { 21, 0, 0, 255 },   { 22, 0, 95, 0 },
        { 52, 95, 0, 0 },      { 196, 255, 0, 0 },   { 208, 255, 135, 0 }, { 231, 255, 255, 255 },
        { 232, 8, 8, 8 },      { 244, 128, 128, 128 }, { 255, 238, 238, 238 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(palette[c.index], Color::rgb8(c.r, c.g, c.b));
    }
}

TEST(Color, BasePalettesHoldTheirSixteenColours)
{
    EXPECT_EQ(Color::terminalAppColors()[1], Color::rgb8(0xC2, 0x36, 0x21));
    EXPECT_EQ(Color::defaultInstalledColors()[8], Color::rgb8(0x8A, 0x89, 0x8A));
    EXPECT_EQ(Color::vgaColors()[3], Color::rgb8(0xAA, 0x55, 0x00));
    EXPECT_EQ(Color::paleColors()[15], Color::rgb8(0xEE, 0xEE, 0xEC));
    for (const auto* palette : { &Color::defaultInstalledColors(), &Color::terminalAppColors(), &Color::xtermColors(),
                                 &Color::vgaColors(), &Color::paleColors() })
        EXPECT_EQ(palette->size(), 16u);
}

TEST(Color, LabPaletteRunsBetweenTheBaseColours)
{
    const auto& base = Color::xtermColors();
    const Color black { 0, 0, 0 };
    const Color white { 0xFFFF, 0xFFFF, 0xFFFF };

    auto palette = Color::generateBase16LabPalette(base, black, white, false);
    ASSERT_EQ(palette.size(), 256u);
    for (size_t i = 0; i < 16; i++)
        EXPECT_EQ(palette[i], base[i]) << i;
    // The cube's corners are the base colours (with background and foreground at its ends).
    EXPECT_EQ(palette[16], black);
    EXPECT_EQ(palette[231], white);
    EXPECT_EQ(palette[16 + 5 * 36], base[1]); // red corner
    EXPECT_EQ(palette[16 + 5 * 6], base[2]);  // green corner
    EXPECT_EQ(palette[16 + 5], base[4]);      // blue corner
    // Greys step from the background to the foreground, both ends excluded, ever lighter.
    for (size_t i = 233; i < 256; i++)
        EXPECT_GT(palette[i].red, palette[i - 1].red) << i;
    EXPECT_GT(palette[232].red, 0);
    EXPECT_LT(palette[255].red, 0xFFFF);
    // A mid grey lies near the middle of the L* ramp (L* 48 is about 0x727272).
    EXPECT_NEAR(palette[232 + 11].red / 257, 0x72, 2);

    // On a light theme the cube still starts at the darker end, unless it must be harmonious.
    auto light = Color::generateBase16LabPalette(base, white, black, false);
    EXPECT_EQ(light[16], black);
    EXPECT_EQ(light[231], white);
    auto harmonious = Color::generateBase16LabPalette(base, white, black, true);
    EXPECT_EQ(harmonious[16], white);
    EXPECT_EQ(harmonious[231], black);
}

TEST(Color, LabPaletteNeedsEightBaseColours)
{
    std::vector<Color> seven(Color::xtermColors().begin(), Color::xtermColors().begin() + 7);
    EXPECT_EQ(Color::generateBase16LabPalette(seven, std::nullopt, std::nullopt, false),
              Color::generateXtermPalette(seven));
    EXPECT_EQ(Color::generateBase16LabPalette(seven, std::nullopt, std::nullopt, false).size(), 247u);
}

} // namespace
} // namespace zentrova
