#pragma once

#include <dirent.h>

namespace bramblet {

// One open folder read entry by entry; closed on every path. Move-only.
class Directory {
public:
    // Opens the folder `name` relative to `at` (AT_FDCWD and a path, or a folder's descriptor
    // and an entry name). With `followLink` false a symbolic link is not entered. When it
    // cannot be opened, isOpen() is false and error() holds the errno value.
    Directory(int at, const char* name, bool followLink);
    ~Directory();

    Directory(Directory&& other) noexcept;
    Directory& operator=(Directory&&) = delete;
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    bool isOpen() const { return m_stream != nullptr; }
    int fd() const;
    int error() const { return m_error; }

    // The next entry other than "." and "..", or null at the end or on a read error (then
    // error() is non-zero). Valid until the next call.
    const dirent* next();

private:
    DIR* m_stream = nullptr;
    int m_error = 0;
};

} // namespace bramblet
