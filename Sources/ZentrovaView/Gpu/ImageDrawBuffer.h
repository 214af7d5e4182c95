#pragma once

#include "ZentrovaView/Gpu/GpuBuffer.h"
#include "ZentrovaView/Gpu/GpuImageTexture.h"

#include <memory>

namespace zentrova {

// An image quad kept in a buffer of its own, for rows whose buffers outlive the frame.
struct ImageDrawBuffer {
    std::shared_ptr<GpuImageTexture> texture;
    std::shared_ptr<GpuBuffer> buffer;
    int vertexCount = 0;
};

} // namespace zentrova
