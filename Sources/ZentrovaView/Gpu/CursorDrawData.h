#pragma once

#include "ZentrovaView/Gpu/ColorVertex.h"
#include "ZentrovaView/Gpu/GlyphVertex.h"

#include <vector>

namespace zentrova {

// The cursor's quads in the caret colour, and the character under a block cursor from either atlas.
struct CursorDrawData {
    std::vector<ColorVertex> colorVertices;
    std::vector<GlyphVertex> glyphVerticesGray;
    std::vector<GlyphVertex> glyphVerticesColor;
};

} // namespace zentrova
