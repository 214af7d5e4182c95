#pragma once

#include <utility>

namespace bramblet {

// Owns an open file descriptor and closes it on every path. A failed close is written to the
// log ("File close failed: ...") and never thrown: by then the request's result is decided.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    ~FileDescriptor();

    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&&) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace bramblet
