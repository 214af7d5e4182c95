#pragma once

#include "Zentrova/Text/BidiPresentationState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentrova {

// One drawn cell of a row in visual order.
struct BidiCell {
    int logicalCol = 0; // the cell's first logical column
    int width = 1;      // columns it covers, at least 1
    // A glyph drawn instead of the cell's own character (a mirrored bracket or box-drawing character,
    // an Arabic presentation form with the cell's marks); none draws the cell's own character.
    std::optional<std::u32string> display;

    bool operator==(const BidiCell&) const = default;
};

// The visual layout of one row, as the view and the GPU renderer draw it.
struct BidiRowLayout {
    std::vector<BidiCell> visualCells; // left to right on screen, covering every column
    std::vector<int> logicalToVisualCol; // one entry per column
    std::vector<int> visualToLogicalCol; // one entry per column: the first logical column of the cell there
    BidiDirection baseDirection = BidiDirection::leftToRight;
    uint64_t paragraphRevision = 0; // the content revision the layout was built for

    bool operator==(const BidiRowLayout&) const = default;
};

} // namespace zentrova
