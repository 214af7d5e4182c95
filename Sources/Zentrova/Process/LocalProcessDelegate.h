#pragma once

#include <sys/ioctl.h>

#include <cstdint>
#include <optional>
#include <span>

namespace zentrova {

class LocalProcess;

// The receiver of one child's output and exit. Called on the process's main queue.
class LocalProcessDelegate {
public:
    virtual ~LocalProcessDelegate() = default;

    // The child has exited by itself (never after LocalProcess::terminate()). `exitCode` is its exit
    // status, 128 plus the signal number when a signal ended it, or nothing when its status could
    // not be collected (someone else reaped it).
    virtual void processTerminated(LocalProcess& source, std::optional<int32_t> exitCode) = 0;

    // Bytes the child wrote, in order.
    virtual void dataReceived(std::span<const uint8_t> slice) = 0;

    // The size the new pseudo-terminal starts with: rows, columns and the text area in pixels.
    virtual winsize getWindowSize() = 0;
};

} // namespace zentrova
