#pragma once

#include <array>

namespace zentrova {

// A coloured rectangle as the shaders read it: lower-left corner and size in device pixels (y up),
// straight RGBA. Four-float vectors are 16-byte aligned on the GPU side, hence 32 bytes.
struct ColorCell {
    std::array<float, 2> position {};
    std::array<float, 2> size {};
    std::array<float, 4> color {};
    bool operator==(const ColorCell&) const = default;
};
static_assert(sizeof(ColorCell) == 32, "the shaders read 32-byte colour cells");

} // namespace zentrova
