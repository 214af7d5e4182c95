#pragma once

#include "ZentrovaView/Gpu/GpuBuffer.h"
#include "ZentrovaView/Gpu/ImageDrawBuffer.h"

#include <memory>
#include <vector>

namespace zentrova {

// One row's lists in buffers of their own, kept from frame to frame while the row is unchanged. A
// list that was empty, or whose buffer could not be made, has no buffer and count 0.
struct RowDrawBuffers {
    std::shared_ptr<GpuBuffer> backgroundBuffer;
    int backgroundCount = 0;
    std::shared_ptr<GpuBuffer> powerlineJoinBuffer;
    int powerlineJoinCount = 0;
    std::shared_ptr<GpuBuffer> glyphGrayBuffer;
    int glyphGrayCount = 0;
    std::shared_ptr<GpuBuffer> glyphColorBuffer;
    int glyphColorCount = 0;
    std::shared_ptr<GpuBuffer> decorationBuffer;
    int decorationCount = 0;
    std::vector<ImageDrawBuffer> underImageBuffers;
    std::vector<ImageDrawBuffer> placeholderImageBuffers;
    std::vector<ImageDrawBuffer> overImageBuffers;
    std::vector<ImageDrawBuffer> otherImageBuffers;
};

} // namespace zentrova
