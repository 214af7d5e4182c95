#pragma once

#include <cstdint>
#include <string_view>

namespace zentrova {

// The states of the escape-sequence parser, after the DEC VT500-series parser diagram. The raw
// values index the transition table, so their order is fixed.
enum class ParserState : uint8_t {
    ground = 0,
    escape = 1,
    escapeIntermediate = 2,
    csiEntry = 3,
    csiParam = 4,
    csiIntermediate = 5,
    csiIgnore = 6,
    sosPmApcString = 7,
    oscString = 8,
    apcString = 9,
    dcsEntry = 10,
    dcsParam = 11,
    dcsIgnore = 12,
    dcsIntermediate = 13,
    dcsPassthrough = 14,
};

std::string_view toString(ParserState state);

} // namespace zentrova
