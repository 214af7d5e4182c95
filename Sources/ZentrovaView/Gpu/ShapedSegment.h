#pragma once

#include "ZentrovaView/Gpu/ShaperCache.h"
#include "ZentrovaView/ViewLineInfo.h"

#include <memory>
#include <vector>

namespace zentrova {

// One attribute run of a segment with its shaping: `utf16Offset` is where the run starts in the
// segment's text, and the run's string indices count from there.
struct ShapedRun {
    const ViewLineRun* run = nullptr;
    int utf16Offset = 0;
    std::shared_ptr<const ShaperRun> shaperRun;
};

// A segment of a laid-out row with its shaped runs. Borrows the segment: valid while the row's
// ViewLineInfo lives.
struct ShapedSegment {
    const ViewLineSegment* segment = nullptr;
    std::vector<ShapedRun> runs;
};

} // namespace zentrova
