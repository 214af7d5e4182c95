#pragma once

#include "Zentrova/Screen/Position.h"

namespace zentrova {

// Where the current match lies, in buffer positions; `end` is exclusive.
struct SearchSelection {
    Position start;
    Position end;

    bool operator==(const SearchSelection&) const = default;
};

} // namespace zentrova
