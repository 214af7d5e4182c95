#pragma once

#include "Zentrova/Screen/Position.h"

namespace zentrova {

// Where a link is looked for: a cell whose row counts buffer rows (0 = the oldest scrollback row), or
// one whose row counts from the top row displayed.
struct LinkLookupLocation {
    enum class Kind { buffer, screen };

    static LinkLookupLocation buffer(Position position) { return { Kind::buffer, position }; }
    static LinkLookupLocation screen(Position position) { return { Kind::screen, position }; }

    Kind kind = Kind::buffer;
    Position position;

    bool operator==(const LinkLookupLocation&) const = default;
};

} // namespace zentrova
