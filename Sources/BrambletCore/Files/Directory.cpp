#include "BrambletCore/Files/Directory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace bramblet {

Directory::Directory(int at, const char* name, bool followLink)
{
    const int fd = openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        m_error = errno;
        return;
    }
    m_stream = fdopendir(fd);
    if (!m_stream) {
        m_error = errno;
        close(fd);
    }
}

Directory::~Directory()
{
    if (m_stream)
        closedir(m_stream);
}

Directory::Directory(Directory&& other) noexcept
    : m_stream(std::exchange(other.m_stream, nullptr))
    , m_error(other.m_error)
{
}

int Directory::fd() const
{
    return dirfd(m_stream);
}

const dirent* Directory::next()
{
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(m_stream);
        if (!entry) {
            m_error = errno;
            return nullptr;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
            return entry;
    }
}

} // namespace bramblet
