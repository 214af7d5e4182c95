#pragma once

#include <cstdint>

namespace zentrova {

// The parts of a shell prompt; initial and secondary open a prompt group.
enum class SemanticPromptKind : uint8_t { initial, right, continuation, secondary };

} // namespace zentrova
