#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace zentrova {

struct KittyRgbaImage {
    std::vector<uint8_t> bytes; // straight RGBA, 4 bytes a pixel
    int width = 0;
    int height = 0;
};

// The pixel size a PNG's header gives, without a range check; nothing for data that is not a PNG.
std::optional<std::pair<int, int>> kittyPngPixelSize(std::span<const uint8_t> data);
// Both sides of the PNG within 1...10000.
bool validateKittyPngDimensions(std::span<const uint8_t> data);
// The PNG's pixels as straight RGBA; nothing when it does not decode or a side is outside 1...10000.
std::optional<KittyRgbaImage> decodePngToRgba(std::span<const uint8_t> data);

} // namespace zentrova
