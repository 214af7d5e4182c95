#pragma once

#include <functional>
#include <string_view>

namespace zentrova {

// Receives the screen model's diagnostic lines (a write past a row's end clamped, a ring move
// refused, a row narrower than the screen after a resize), one line each, without a newline. The
// terminal that owns a screen points it at its own log; left empty, the lines are dropped: the
// engine never writes into its host's output on its own.
using DiagnosticLog = std::function<void(std::string_view line)>;

} // namespace zentrova
