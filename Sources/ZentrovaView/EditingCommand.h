#pragma once

#include <cstdint>

namespace zentrova {

// What an editing key asks of the text the user types into (the key bindings give it; the terminal
// view turns it into bytes for the child).
enum class EditingCommand : uint8_t {
    insertNewline,
    cancelOperation,
    deleteBackward,
    moveUp,
    moveDown,
    moveLeft,
    moveRight,
    insertTab,
    insertBacktab,
    moveToBeginningOfLine,
    moveToEndOfLine,
    scrollPageUp,
    scrollPageDown,
};

} // namespace zentrova
