#pragma once

#include "Zentrova/Parser/ParserState.h"

#include <cstdint>
#include <span>
#include <string>

namespace zentrova {

// What the parser hands to its error handler for a byte that has no meaning where it stands.
// The spans show the parser's collected data and are valid only during the handler call. Of the
// snapshot the handler returns, only `abort` is read. (Printable text before the byte has already
// been handed on when the handler runs, so there is no pending print run to show.)
struct ParsingState {
    int64_t position = 0; // index of the offending byte in the data of this parse() call
    uint8_t code = 0;
    ParserState currentState = ParserState::ground;
    int64_t dcs = -1; // start of the pending DCS payload run, or -1
    std::span<const uint8_t> osc;
    std::span<const uint8_t> apc;
    std::span<const uint8_t> collect;
    std::span<const int> parameters; // always handed over empty
    bool abort = false;
};

// One-line form for the terminal's diagnostics, e.g.
// "ParsingState(position: 3, code: 25, currentState: ground, dcs: -1, osc: [], ...)".
std::string toString(const ParsingState& state);

} // namespace zentrova
