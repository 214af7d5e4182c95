#include "Zentrova/Screen/Position.h"

namespace zentrova {

Position::CompareResult Position::compare(const Position& a, const Position& b)
{
    if (a.row != b.row)
        return a.row < b.row ? CompareResult::before : CompareResult::after;
    if (a.col != b.col)
        return a.col < b.col ? CompareResult::before : CompareResult::after;
    return CompareResult::equal;
}

std::string Position::debugDescription() const
{
    return "col=" + std::to_string(col) + " row=" + std::to_string(row);
}

} // namespace zentrova
