#pragma once

#include "ZentrovaView/Gpu/ColorVertex.h"
#include "ZentrovaView/Gpu/FrameDrawData.h"
#include "ZentrovaView/Gpu/GlyphVertex.h"
#include "ZentrovaView/Gpu/RowDrawBuffers.h"

#include <optional>
#include <vector>

namespace zentrova {

// What one build pass gives the frame to encode: the rows' own buffers (one per visible row) in the
// per-row mode, or the whole frame's lists in the aggregated mode; and the cursor in both.
struct DrawData {
    std::vector<RowDrawBuffers> rows;
    std::optional<FrameDrawData> frame;
    std::vector<ColorVertex> cursorColorVertices;
    std::vector<GlyphVertex> cursorGlyphVerticesGray;
    std::vector<GlyphVertex> cursorGlyphVerticesColor;
};

} // namespace zentrova
