#pragma once

#include "Zentrova/Text/BidiPresentationState.h"

#include <memory>
#include <optional>
#include <vector>

struct UBiDi;

namespace zentrova {

// Runs the Unicode bidirectional algorithm (ICU) over a paragraph's probe string, one UTF-16 unit
// per cell, and reads back for a range of cells their visual order and run directions. Bidi
// controls draw nothing: they are left out of the visual positions and placed beside their logical
// neighbours afterwards.
class BidiTypesetter {
public:
    struct VisualOrder {
        std::vector<int> order; // cell indexes, relative to the range's start, left to right
        std::vector<bool> rtl;  // per cell, relative to the range's start: it sits in a right-to-left run

        bool operator==(const VisualOrder&) const = default;
    };

    // None for no units or when the algorithm refuses the text.
    static std::optional<BidiTypesetter> make(std::vector<char16_t> probe, BidiDirection direction);

    // The cells lower...upper - 1 as one line; none when the line cannot be laid out (it crosses a
    // paragraph separator) or the order misses a cell.
    std::optional<VisualOrder> computeVisualOrder(int lower, int upper, BidiDirection baseDirection) const;

private:
    struct Closer {
        void operator()(UBiDi* bidi) const;
    };
    BidiTypesetter() = default;

    // The algorithm keeps pointing into the string: a vector keeps its block when moved.
    std::vector<char16_t> m_probe;
    std::unique_ptr<UBiDi, Closer> m_paragraph;
    std::unique_ptr<UBiDi, Closer> m_line;
};

} // namespace zentrova
