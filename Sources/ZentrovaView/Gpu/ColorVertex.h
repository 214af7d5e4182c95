#pragma once

#include <array>

namespace zentrova {

// One vertex of a flat-coloured triangle (the cursor's shapes). The colour is a four-float vector,
// 16-byte aligned on the GPU side, so 8 unused bytes follow the position.
struct ColorVertex {
    std::array<float, 2> position {};
    std::array<float, 2> padding {};
    std::array<float, 4> color {};
    bool operator==(const ColorVertex&) const = default;
};
static_assert(sizeof(ColorVertex) == 32, "the shaders read 32-byte colour vertices");

} // namespace zentrova
