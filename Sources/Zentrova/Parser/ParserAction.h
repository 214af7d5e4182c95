#pragma once

#include <cstdint>

namespace zentrova {

// What the parser does with a byte: the action half of a transition-table entry (four bits).
// oscStart, oscPut and oscEnd serve both OSC and APC strings; the state tells which is meant.
enum class ParserAction : uint8_t {
    ignore = 0,
    error = 1,
    print = 2,
    execute = 3,
    oscStart = 4,
    oscPut = 5,
    oscEnd = 6,
    csiDispatch = 7,
    param = 8,
    collect = 9,
    escDispatch = 10,
    clear = 11,
    dcsHook = 12,
    dcsPut = 13,
    dcsUnhook = 14,
};

} // namespace zentrova
