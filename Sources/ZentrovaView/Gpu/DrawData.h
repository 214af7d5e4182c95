#pragma once

#include "ZentrovaView/Gpu/BackgroundGrid.h"
#include "ZentrovaView/Gpu/ColorVertex.h"
#include "ZentrovaView/Gpu/FrameDrawData.h"
#include "ZentrovaView/Gpu/GlyphVertex.h"
#include "ZentrovaView/Gpu/PixelSpan.h"
#include "ZentrovaView/Gpu/RowDrawBuffers.h"

#include <optional>
#include <vector>

namespace zentrova {

// What one build pass gives the frame to encode: the rows' own buffers (one per visible row) in the
// per-row mode, or the whole frame's lists in the aggregated mode; and the cursor in both. In the
// per-row mode it also tells what changed since the pass before, so that a frame over the last one
// can draw only that.
struct DrawData {
    std::vector<RowDrawBuffers> rows;
    // In the per-row mode, the backgrounds of whole cells of ordinary rows; the rows' buffers hold the
    // others. Kept from pass to pass: a pass changes only the rows it built.
    BackgroundGrid backgroundGrid;
    // Per entry of `rows`: the stretch its records cover.
    std::vector<PixelSpan> rowSpans;
    // Every visible row was built anew (the first pass; the geometry, font, scroll position or an
    // atlas changed; or every row did): the frame draws everything.
    bool everyRowBuilt = true;
    // What the rows built anew covered before and cover now, and what rows gone from the view covered.
    std::vector<PixelSpan> changedSpans;
    std::optional<FrameDrawData> frame;
    std::vector<ColorVertex> cursorColorVertices;
    std::vector<GlyphVertex> cursorGlyphVerticesGray;
    std::vector<GlyphVertex> cursorGlyphVerticesColor;
};

} // namespace zentrova
