#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zentrova {

struct Color;

// One decoded sixel image: 4 bytes per pixel (red, green, blue, alpha), rows top to bottom.
struct SixelBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// The widest and tallest image decoded; a stream that measures larger is refused before anything
// is allocated, however large its repeat and band counts.
inline constexpr int maxSixelImageSide = 10000;

// Decodes the payload of one sixel string (everything between "q" and the terminator). Decoding
// starts at the first "#"; without one the image is 0 x 0. Colour registers the stream uses without
// defining them take `defaultPalette`'s colour of that index, opaque, or stay transparent.
// Returns nothing when the image would be wider or taller than maxSixelImageSide.
std::optional<SixelBitmap> decodeSixel(std::span<const uint8_t> data, std::span<const Color> defaultPalette);

// Hue in degrees (0 is blue), lightness and saturation in percent, to 0xRRGGBB.
uint32_t hlsToRgb(int hue, int lightness, int saturation);

} // namespace zentrova
