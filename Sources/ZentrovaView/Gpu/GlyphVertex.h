#pragma once

#include <array>

namespace zentrova {

// One vertex of a textured triangle (the cursor's glyph and image quads): position in device
// pixels (y up), texture coordinate, straight RGBA tint.
struct GlyphVertex {
    std::array<float, 2> position {};
    std::array<float, 2> texCoord {};
    std::array<float, 4> color {};
    bool operator==(const GlyphVertex&) const = default;
};
static_assert(sizeof(GlyphVertex) == 32, "the shaders read 32-byte glyph vertices");

} // namespace zentrova
