#pragma once

#include "Zentrova/Engine/Terminal.h"

#include <string>
#include <string_view>

namespace zentrova {

// Turns a terminal's log on and keeps what it writes, each line followed by "\n".
class TerminalLog {
public:
    explicit TerminalLog(Terminal& terminal);
    // What was written since the last call.
    std::string take();
    // What feeding `bytes` writes.
    std::string of(std::string_view bytes);

private:
    Terminal& m_terminal;
    std::string m_text;
};

} // namespace zentrova
