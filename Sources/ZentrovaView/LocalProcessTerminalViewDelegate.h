#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace zentrova {

class LocalProcessTerminalView;
class TerminalView;

// What a process-backed terminal view tells its host, always on the main thread, in the order the
// terminal raised it.
class LocalProcessTerminalViewDelegate {
public:
    virtual ~LocalProcessTerminalViewDelegate() = default;

    // The grid changed size; the pseudo-terminal already has the new size.
    virtual void sizeChanged(LocalProcessTerminalView& source, int newCols, int newRows) = 0;
    // The child set the window title.
    virtual void setTerminalTitle(LocalProcessTerminalView& source, const QString& title) = 0;
    // The shell reported its working directory; nothing once it is unknown.
    virtual void hostCurrentDirectoryUpdate(TerminalView& source, const std::optional<QString>& directory) = 0;
    // The child ended by itself; its exit status as the process reports it.
    virtual void processTerminated(TerminalView& source, std::optional<int32_t> exitCode) = 0;
};

} // namespace zentrova
