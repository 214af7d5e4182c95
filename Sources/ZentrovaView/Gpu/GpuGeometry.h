#pragma once

namespace zentrova {

// A point and a size in pixels, compared exactly (the renderer's cache entries hold them).
struct GpuPoint {
    double x = 0;
    double y = 0;
    bool operator==(const GpuPoint&) const = default;
};

struct GpuSize {
    double width = 0;
    double height = 0;
    bool operator==(const GpuSize&) const = default;
};

} // namespace zentrova
