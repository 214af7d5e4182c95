#include "Zentrova/Parser/ParsingState.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace zentrova {

std::string toString(const ParsingState& state)
{
    return fmt::format("ParsingState(position: {}, code: {}, currentState: {}, print: {}, dcs: {}, osc: {}, "
                       "apc: {}, collect: {}, parameters: {}, abort: {})",
                       state.position, state.code, toString(state.currentState), state.print, state.dcs,
                       state.osc, state.apc, state.collect, state.parameters, state.abort);
}

} // namespace zentrova
