#pragma once

#include <array>

namespace zentrova {

// A glyph quad as the shaders read it: lower-left corner and size in device pixels (y up), the
// glyph's rectangle in the atlas in normalised coordinates, and the straight RGBA it is tinted with.
struct TextCell {
    std::array<float, 2> position {};
    std::array<float, 2> size {};
    std::array<float, 2> texOrigin {};
    std::array<float, 2> texSize {};
    std::array<float, 4> color {};
    bool operator==(const TextCell&) const = default;
};
static_assert(sizeof(TextCell) == 48, "the shaders read 48-byte text cells");

} // namespace zentrova
