#pragma once

#include "Zentrova/Screen/SemanticPromptKind.h"

#include <cstdint>

namespace zentrova {

// What the shell said a cell holds: part of a prompt, the user's input, command output, or nothing.
struct SemanticContent {
    enum class Kind : uint8_t { prompt, none, input, output };

    Kind kind = Kind::none;
    SemanticPromptKind promptKind = SemanticPromptKind::initial; // only for Kind::prompt

    static constexpr SemanticContent prompt(SemanticPromptKind promptKind) { return { Kind::prompt, promptKind }; }
    static const SemanticContent none, input, output;

    // The code cells store: 0 none, 1-4 prompt initial/right/continuation/secondary, 5 input, 6 output;
    // 7 and above read as none.
    static constexpr SemanticContent fromCode(uint8_t code)
    {
        if (code >= 1 && code <= 4)
            return prompt(SemanticPromptKind(code - 1));
        if (code == 5)
            return { Kind::input };
        if (code == 6)
            return { Kind::output };
        return { Kind::none };
    }
    constexpr uint8_t code() const
    {
        switch (kind) {
        case Kind::prompt:
            return uint8_t(1 + uint8_t(promptKind));
        case Kind::input:
            return 5;
        case Kind::output:
            return 6;
        case Kind::none:
            break;
        }
        return 0;
    }

    constexpr bool operator==(const SemanticContent& other) const
    {
        return kind == other.kind && (kind != Kind::prompt || promptKind == other.promptKind);
    }
};

inline constexpr SemanticContent SemanticContent::none { Kind::none };
inline constexpr SemanticContent SemanticContent::input { Kind::input };
inline constexpr SemanticContent SemanticContent::output { Kind::output };

} // namespace zentrova
