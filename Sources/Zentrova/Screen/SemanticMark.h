#pragma once

#include "Zentrova/Screen/SemanticPromptKind.h"

#include <cstdint>

namespace zentrova {

// A shell-integration prompt mark on a row: where a part of the prompt starts, and the prompt group
// it belongs to (0 = none).
struct SemanticMark {
    SemanticPromptKind kind = SemanticPromptKind::initial;
    int column = 0;
    uint64_t group = 0;

    bool operator==(const SemanticMark&) const = default;
};

} // namespace zentrova
