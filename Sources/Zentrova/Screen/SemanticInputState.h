#pragma once

#include <cstdint>

namespace zentrova {

// Where the shell's current command line stands: no prompt, a prompt shown, input under way, or
// submitted with Enter.
enum class SemanticInputState : uint8_t { idle, prompt, armed, submitted };

} // namespace zentrova
