#include "Zentrova/Parser/ParsingState.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace zentrova {

std::string toString(const ParsingState& state)
{
    return fmt::format("ParsingState(position: {}, code: {}, currentState: {}, dcs: {}, osc: {}, "
                       "apc: {}, collect: {}, parameters: {}, abort: {})",
                       state.position, state.code, toString(state.currentState), state.dcs,
                       state.osc, state.apc, state.collect, state.parameters, state.abort);
}

} // namespace zentrova
