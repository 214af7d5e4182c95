#include "TerminalLog.h"

#include <utility>

namespace zentrova {

TerminalLog::TerminalLog(Terminal& terminal)
    : m_terminal(terminal)
{
    terminal.silentLog = false;
    terminal.setLogSink([this](std::string_view line) {
        m_text += line;
        m_text += '\n';
    });
}

std::string TerminalLog::take()
{
    return std::exchange(m_text, {});
}

std::string TerminalLog::of(std::string_view bytes)
{
    take();
    m_terminal.feed(bytes);
    return take();
}

} // namespace zentrova
