#include "../Engine/RecordingTerminalDelegate.h"
#include "../Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Graphics/SixelDecoder.h"
#include "Zentrova/Screen/Color.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {
namespace {

std::span<const uint8_t> bytes(std::string_view text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

// red << 24 | green << 16 | blue << 8 | alpha of the pixel at (x, y).
uint32_t pixelAt(const SixelBitmap& image, int x, int y)
{
    const uint8_t* pixel = image.pixels.data() + (size_t(y) * size_t(image.width) + size_t(x)) * 4;
    return uint32_t(pixel[0]) << 24 | uint32_t(pixel[1]) << 16 | uint32_t(pixel[2]) << 8 | pixel[3];
}

// The image's pixels column by column, top to bottom, as red << 24 | green << 16 | blue << 8 | alpha.
std::vector<uint32_t> pixelsOf(const SixelBitmap& image)
{
    std::vector<uint32_t> result;
    for (int x = 0; x < image.width; ++x)
        for (int y = 0; y < image.height; ++y)
            result.push_back(pixelAt(image, x, y));
    return result;
}

constexpr uint32_t red = 0xFF0000FF;
constexpr uint32_t blue = 0x0000FFFF;

const std::vector<Color> palette = { Color::rgb8(0, 0, 0), Color::rgb8(0xCD, 0x31, 0x31) };

struct DecodeCase {
    const char* name;
    std::string_view data;
    int width;
    int height;
    std::vector<uint32_t> pixels; // column by column, top to bottom
};

TEST(SixelDecoder, DecodesCommandsToExactPixels)
{
    const uint32_t paletteRed = 0xCD3131FF;
    const DecodeCase cases[] = {
        { "rgb register", "#0;2;100;0;0~", 1, 6, std::vector<uint32_t>(6, red) },
        { "repeat with an undefined register takes the default palette", "#1!3~", 3, 6, std::vector<uint32_t>(18, paletteRed) },
        { "hls register", "#0;1;0;50;100~", 1, 6, std::vector<uint32_t>(6, blue) },
        { "next band", "#0;2;0;0;100~-~", 1, 12, std::vector<uint32_t>(12, blue) },
        { "carriage return draws over the same band", "#0;2;100;0;0~$#1;2;0;0;100_", 1, 6, { red, red, red, red, red, blue } },
        { "raster attributes and sixels before the first colour are ignored", "\"1;1;9;9~~~#0;2;100;0;0~", 1, 6, std::vector<uint32_t>(6, red) },
        { "no colour command gives an empty image", "\"1;1;2;2~~", 0, 0, {} },
        { "a repeat of zero neither draws nor moves", "#0;2;100;0;0!0@~", 1, 6, std::vector<uint32_t>(6, red) },
        { "a repeat without digits is ignored", "#0;2;100;0;0!~", 1, 6, std::vector<uint32_t>(6, red) },
        { "a colour without a number ends decoding", "#0;2;100;0;0~#~~", 1, 6, std::vector<uint32_t>(6, red) },
        { "only the set bits are drawn", "#0;2;100;0;0A", 1, 2, { 0, red } },
        { "an undefined register past the palette is transparent", "#7~", 1, 6, std::vector<uint32_t>(6, 0) },
        { "an unknown colour system leaves the register undefined", "#1;3;1;2;3~", 1, 6, std::vector<uint32_t>(6, paletteRed) },
        { "percentages clamp at 100", "#0;2;250;0;0~", 1, 6, std::vector<uint32_t>(6, red) },
        { "line breaks inside the data are skipped", "#0;2;100;0;0\r\n~", 1, 6, std::vector<uint32_t>(6, red) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = decodeSixel(bytes(c.data), palette);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_EQ(pixelsOf(*image), c.pixels);
    }
}

TEST(SixelDecoder, ConvertsHlsWithHueZeroAtBlue)
{
    struct Case {
        int hue, lightness, saturation;
        uint32_t rgb;
    };
    const Case cases[] = {
        { 0, 50, 100, 0x0000FF },  { 120, 50, 100, 0xFF0000 }, { 240, 50, 100, 0x00FF00 },
        { 60, 50, 100, 0xFF00FF }, { 180, 50, 100, 0xFFFF00 }, { 300, 50, 100, 0x00FFFF },
        { 0, 100, 0, 0xFFFFFF },   { 77, 50, 0, 0x7F7F7F },    { 120, 25, 100, 0x7F0000 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(hlsToRgb(c.hue, c.lightness, c.saturation), c.rgb) << c.hue << ' ' << c.lightness << ' ' << c.saturation;
}

TEST(SixelDecoder, RefusesImagesLargerThanTheLimitBeforeAllocating)
{
    const std::string manyBands = "#0;2;100;0;0" + std::string(2000, '-') + "~";
    const std::string tallestAccepted = "#0" + std::string(1666, '-') + "G"; // bit 3 of the band at row 9996: row 9999
    const struct {
        const char* name;
        std::string data;
        bool accepted;
    } cases[] = {
        { "huge repeat", "#0;2;100;0;0!999999999~", false },
        { "repeat count past the number range", "#0!99999999999999999999~", false },
        { "repeats adding up past the limit", "#0!6000~!6000~", false },
        { "thousands of bands", manyBands, false },
        { "widest accepted", "#0!10000~", true },
        { "one past the widest", "#0!10001~", false },
        { "tallest accepted", tallestAccepted, true },
        { "bands without sixels do not count", "#0~" + std::string(5000, '-'), true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeSixel(bytes(c.data), palette).has_value(), c.accepted);
    }
}

// A 16-bit palette channel is rounded to the nearest 8-bit value.
TEST(SixelDecoder, RoundsSixteenBitPaletteChannels)
{
    const std::vector<Color> wide = { Color { 0x8080, 0x807F, 0xFFFF } };
    const auto image = decodeSixel(bytes("#0@"), wide);
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 0, 0), 0x8080FFFFu);
}

class ImageRecordingDelegate : public RecordingTerminalDelegate {
public:
    void createImageFromBitmap(Terminal&, std::vector<uint8_t>& bytes, int width, int height) override
    {
        images.push_back({ width, height, bytes });
    }
    std::vector<SixelBitmap> images;
};

TEST(SixelDecoder, TerminalDeliversDecodedStringsToItsHost)
{
    ImageRecordingDelegate host;
    Terminal terminal(&host, screenSize(20, 5));
    terminal.feed("\x1BPq#0;2;100;0;0~~\x1B\\");
    terminal.feed("\x1BP0;1;0q\"1;1;2;6#1!2~\x1B\\"); // parameters and raster attributes are not used
    terminal.feed("\x1BPq#0!999999999~\x1B\\");    // refused: nothing is delivered
    ASSERT_EQ(host.images.size(), 2u);
    EXPECT_EQ(host.images[0].width, 2);
    EXPECT_EQ(host.images[0].height, 6);
    EXPECT_EQ(pixelAt(host.images[0], 1, 5), red);
    EXPECT_EQ(host.images[1].width, 2);
    const Color& defaultRed = terminal.defaultAnsiColors[1];
    EXPECT_EQ(pixelAt(host.images[1], 0, 0) >> 24, (defaultRed.red + 128u) / 257u);
    EXPECT_EQ(terminal.buffer().y(), 0) << "the decoder does not move the cursor itself";
}

TEST(SixelDecoder, TerminalWithoutHostDecodesNothingVisible)
{
    Terminal terminal(nullptr, screenSize(20, 5));
    terminal.feed("\x1BPq#0;2;100;0;0~~\x1B\\after");
    EXPECT_EQ(terminal.buffer().x(), 5);
}

// Streams made by the desktop's own sixel encoder: each decodes to its image's exact size, and each
// pixel is the source colour within the encoder's quantisation (it writes colours in whole percent).
TEST(SixelDecoder, DecodesEncoderOutputToTheSourceImage)
{
    const auto folder = std::filesystem::path(testing::TempDir()) / "sixel-decoder";
    std::filesystem::create_directories(folder);
    struct Case {
        int width, height;
    };
    for (const auto [width, height] : { Case { 40, 32 }, Case { 7, 7 }, Case { 120, 61 } }) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        // Four flat quadrants: the encoder keeps such colours exactly, up to its percent steps.
        const uint32_t quadrants[] = { 0xFF0000, 0x0000FF, 0x00FF00, 0xFFFFFF };
        auto sourceColour = [&](int x, int y) { return quadrants[(y >= height / 2) * 2 + (x >= width / 2)]; };
        const auto image = folder / "source.ppm";
        {
            std::ofstream out(image, std::ios::binary);
            out << "P6\n" << width << ' ' << height << "\n255\n";
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const uint32_t rgb = sourceColour(x, y);
                    out.put(char(rgb >> 16)).put(char(rgb >> 8)).put(char(rgb));
                }
        }
        const std::string command = "img2sixel '" + image.string() + "'";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_TRUE(pipe) << "img2sixel (libsixel-bin) is needed";
        std::string stream;
        char chunk[4096];
        while (const size_t got = fread(chunk, 1, sizeof chunk, pipe))
            stream.append(chunk, got);
        ASSERT_EQ(pclose(pipe), 0) << "img2sixel (libsixel-bin) is needed";

        ImageRecordingDelegate host;
        Terminal terminal(&host, screenSize(20, 5));
        terminal.feed(stream);
        ASSERT_EQ(host.images.size(), 1u);
        const SixelBitmap& decoded = host.images[0];
        ASSERT_EQ(decoded.width, width);
        ASSERT_EQ(decoded.height, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = pixelAt(decoded, x, y);
                const uint32_t expected = sourceColour(x, y);
                for (int shift : { 16, 8, 0 })
                    ASSERT_NEAR(int(pixel >> (shift + 8) & 0xFF), int(expected >> shift & 0xFF), 10) << x << ',' << y;
                ASSERT_EQ(pixel & 0xFF, 0xFFu) << x << ',' << y;
            }
    }
}

} // namespace
} // namespace zentrova
