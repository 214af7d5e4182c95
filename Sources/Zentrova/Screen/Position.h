#pragma once

#include <string>

namespace zentrova {

// A cell of the grid; what `row` counts from (screen, ring) is fixed by each caller. Positions order
// by row, then column.
struct Position {
    enum class CompareResult { before, after, equal };

    int col = 0;
    int row = 0;

    static CompareResult compare(const Position& a, const Position& b);

    std::string debugDescription() const;

    bool operator==(const Position&) const = default;
};

} // namespace zentrova
