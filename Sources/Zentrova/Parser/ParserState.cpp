#include "Zentrova/Parser/ParserState.h"

namespace zentrova {

std::string_view toString(ParserState state)
{
    switch (state) {
    case ParserState::ground: return "ground";
    case ParserState::escape: return "escape";
    case ParserState::escapeIntermediate: return "escapeIntermediate";
    case ParserState::csiEntry: return "csiEntry";
    case ParserState::csiParam: return "csiParam";
    case ParserState::csiIntermediate: return "csiIntermediate";
    case ParserState::csiIgnore: return "csiIgnore";
    case ParserState::sosPmApcString: return "sosPmApcString";
    case ParserState::oscString: return "oscString";
    case ParserState::apcString: return "apcString";
    case ParserState::dcsEntry: return "dcsEntry";
    case ParserState::dcsParam: return "dcsParam";
    case ParserState::dcsIgnore: return "dcsIgnore";
    case ParserState::dcsIntermediate: return "dcsIntermediate";
    case ParserState::dcsPassthrough: return "dcsPassthrough";
    }
    return "ground";
}

} // namespace zentrova
