#pragma once

#include "Zentrova/Screen/TerminalImage.h"

#include <cstdint>
#include <optional>

namespace zentrova {

// The strip of a kitty placement attached to one row: the host's image object carries these fields
// so the terminal can find, move and delete its placements on the rows. `kittyRow` is the ring index
// of the placement's top row and `kittyCol` its left column; the size is in cells.
class KittyPlacementImage : public TerminalImage {
public:
    bool kittyIsKitty = true;
    std::optional<uint32_t> kittyImageId;
    std::optional<uint32_t> kittyImageNumber;
    std::optional<uint32_t> kittyPlacementId;
    int kittyZIndex = 0;
    int kittyCol = 0;
    int kittyRow = 0;
    int kittyCols = 0;
    int kittyRows = 0;
    int kittyPixelOffsetX = 0;
    int kittyPixelOffsetY = 0;
};

} // namespace zentrova
