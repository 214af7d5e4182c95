#pragma once

#include "ZentrovaView/Gpu/RowDrawData.h"

namespace zentrova {

// The lists of every visible row, in row order, for the mode that copies a whole frame into pooled
// buffers.
struct FrameDrawData : RowDrawData {
    // Appends each of the row's lists to the frame's.
    void append(const RowDrawData& row);
};

} // namespace zentrova
