#pragma once

namespace zentrova {

// A rectangle of an atlas texture in pixels; x counts columns and y rows, both from the texture's
// first row and column (GL's row 0, the bottom row when sampled).
struct AtlasRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const AtlasRegion&) const = default;
};

} // namespace zentrova
