#pragma once

#include "ZentrovaView/Gpu/GlyphVertex.h"
#include "ZentrovaView/Gpu/GpuImageTexture.h"

#include <memory>
#include <vector>

namespace zentrova {

// One image quad: two triangles (x0,y0)-(x1,y0)-(x0,y1) and (x1,y0)-(x1,y1)-(x0,y1) in device pixels,
// white, over its texture.
struct ImageDraw {
    std::shared_ptr<GpuImageTexture> texture;
    std::vector<GlyphVertex> vertices;
    bool operator==(const ImageDraw&) const = default;
};

} // namespace zentrova
