#pragma once

#include <cstdint>

namespace zentrova {

// One text cell that stands for a piece of a virtual kitty placement: the cell's screen position,
// the image and placement it shows, and which cell of the image it is.
struct KittyPlaceholderCell {
    int row = 0;
    int col = 0;
    uint32_t imageId = 0;
    uint32_t placementId = 0;
    int placeholderRow = 0;
    int placeholderCol = 0;
    int msb = 0; // the image id's high byte as the diacritics gave it, before clamping

    bool operator==(const KittyPlaceholderCell&) const = default;
};

} // namespace zentrova
