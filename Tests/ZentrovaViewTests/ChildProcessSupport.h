#pragma once

#include "Zentrova/Screen/BufferLine.h"
#include "ZentrovaView/LocalProcessTerminalView.h"

#include <signal.h>
#include <sys/wait.h>

#include <string>

namespace zentrova {

// The screen's rows as text, one line each.
inline std::string screenText(TerminalView& view)
{
    std::string text;
    for (int row = 0; row < view.terminal().rows; ++row) {
        if (BufferLine* line = view.terminal().getLine(row))
            text += line->translateToString(true) + "\n";
    }
    return text;
}

// Ends a child that may still run, and waits for it so that it leaves no zombie.
inline void endChild(LocalProcessTerminalView& view)
{
    if (!view.running())
        return;
    const pid_t pid = view.process().shellPid();
    view.terminate();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace zentrova
