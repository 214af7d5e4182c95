#pragma once

#include "ZentrovaView/Gpu/GpuGeometry.h"

#include <cstdint>
#include <vector>

namespace zentrova {

// One glyph drawn on the processor: 4 bytes per pixel, premultiplied, blue-green-red-alpha in
// memory, rows top-down (the image's own memory order). `bearing` is the bitmap's lower-left corner
// relative to the glyph origin, y up.
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    GpuPoint bearing;
    std::vector<uint8_t> pixels;
    bool isColor = false;
};

} // namespace zentrova
