#pragma once

#include "Zentrova/Screen/Position.h"
#include "Zentrova/Screen/SemanticPromptKind.h"

#include <cstdint>

namespace zentrova {

// The value types of shell-integration prompts that the screen, the terminal and the view share.

// Where a prompt mark sits: a column and a ring row, and the part of the prompt it starts.
struct SemanticPromptAnchor {
    Position position;
    SemanticPromptKind kind = SemanticPromptKind::initial;

    bool operator==(const SemanticPromptAnchor&) const = default;
};

// How a click moves the shell's editing cursor with cursor keys: along the line only, across several
// lines horizontally, or with vertical steps between lines.
enum class SemanticPromptCursorClickMode : uint8_t { line, multiple, conservativeVertical, smartVertical };

// How clicks in the current prompt reach the shell: cursor keys, nothing, or a mouse report whose row
// counts from the screen top (absolute) or from the prompt (relative).
struct SemanticPromptClickMode {
    enum class Kind : uint8_t { cursorKeys, none, clickEventsAbsolute, clickEventsRelative };

    Kind kind = Kind::none;
    SemanticPromptCursorClickMode cursorMode = SemanticPromptCursorClickMode::line; // only for cursorKeys

    static constexpr SemanticPromptClickMode cursorKeys(SemanticPromptCursorClickMode mode) { return { Kind::cursorKeys, mode }; }
    static const SemanticPromptClickMode none, clickEventsAbsolute, clickEventsRelative;

    constexpr bool operator==(const SemanticPromptClickMode& other) const
    {
        return kind == other.kind && (kind != Kind::cursorKeys || cursorMode == other.cursorMode);
    }
};

inline constexpr SemanticPromptClickMode SemanticPromptClickMode::none { Kind::none, SemanticPromptCursorClickMode::line };
inline constexpr SemanticPromptClickMode SemanticPromptClickMode::clickEventsAbsolute { Kind::clickEventsAbsolute, SemanticPromptCursorClickMode::line };
inline constexpr SemanticPromptClickMode SemanticPromptClickMode::clickEventsRelative { Kind::clickEventsRelative, SemanticPromptCursorClickMode::line };

// The modifier keys held during a click.
struct SemanticPromptClickModifiers {
    uint8_t rawValue = 0;

    static const SemanticPromptClickModifiers shift, control, option, command;

    constexpr SemanticPromptClickModifiers operator|(SemanticPromptClickModifiers other) const { return { uint8_t(rawValue | other.rawValue) }; }
    constexpr SemanticPromptClickModifiers operator&(SemanticPromptClickModifiers other) const { return { uint8_t(rawValue & other.rawValue) }; }
    constexpr bool contains(SemanticPromptClickModifiers other) const { return (rawValue & other.rawValue) == other.rawValue; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    bool operator==(const SemanticPromptClickModifiers&) const = default;
};

inline constexpr SemanticPromptClickModifiers SemanticPromptClickModifiers::shift { 1 };
inline constexpr SemanticPromptClickModifiers SemanticPromptClickModifiers::control { 2 };
inline constexpr SemanticPromptClickModifiers SemanticPromptClickModifiers::option { 4 };
inline constexpr SemanticPromptClickModifiers SemanticPromptClickModifiers::command { 8 };

// Whether plain clicks, clicks with exactly some modifiers, or no clicks move the shell's cursor.
struct SemanticPromptClickBehavior {
    enum class Kind : uint8_t { requireModifier, disabled, enabled };

    Kind kind = Kind::enabled;
    SemanticPromptClickModifiers modifiers; // only for requireModifier

    static constexpr SemanticPromptClickBehavior requireModifier(SemanticPromptClickModifiers m) { return { Kind::requireModifier, m }; }
    static const SemanticPromptClickBehavior disabled, enabled;

    bool operator==(const SemanticPromptClickBehavior&) const = default;
};

inline constexpr SemanticPromptClickBehavior SemanticPromptClickBehavior::disabled { SemanticPromptClickBehavior::Kind::disabled, {} };
inline constexpr SemanticPromptClickBehavior SemanticPromptClickBehavior::enabled { SemanticPromptClickBehavior::Kind::enabled, {} };

// What the view knew of a click when the button went down.
struct SemanticPromptPointerSnapshot {
    bool selectionWasActive = false;
    bool didDrag = false;
    int clickCount = 0;
    bool pressWasSemanticEligible = false;
};

} // namespace zentrova
