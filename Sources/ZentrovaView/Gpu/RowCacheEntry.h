#pragma once

#include "ZentrovaView/Gpu/RowDrawBuffers.h"
#include "ZentrovaView/Gpu/RowDrawData.h"

#include <cstdint>
#include <optional>

namespace zentrova {

// What a visible row was built from and what it gave. The line is recognised by its identity token
// (an address could come back for another line after a reset), its change counter and the times the
// ring reused it; the paragraph revision catches a neighbouring row that changes this row's
// bidirectional order.
struct RowCacheEntry {
    uint64_t lineId = 0;
    uint64_t generation = 0;
    uint64_t recycleGeneration = 0;
    uint64_t bidiParagraphRevision = 0;
    std::optional<RowDrawData> data;
    // What the data covers, as drawn last.
    PixelSpan span;
    std::optional<RowDrawBuffers> buffers;
};

} // namespace zentrova
