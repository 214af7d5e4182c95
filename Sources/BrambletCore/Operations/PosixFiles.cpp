#include "BrambletCore/Operations/PosixFiles.h"

#include "BrambletCore/Files/SystemError.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace bramblet {

std::string readLinkTarget(const std::filesystem::path& link)
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
        if (length < 0)
            throw systemError(errno, QStringLiteral("Couldn’t read the link"), link);
        if (static_cast<size_t>(length) < target.size()) {
            target.resize(static_cast<size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

size_t readChunk(int fd, std::span<unsigned char> buffer, const std::filesystem::path& path)
{
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count >= 0)
            return static_cast<size_t>(count);
        if (errno != EINTR)
            throw systemError(errno, QStringLiteral("Couldn’t read"), path);
    }
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(size_t(written));
    }
    return true;
}

std::vector<std::string> folderEntryNames(const std::filesystem::path& folder)
{
    DIR* stream = ::opendir(folder.c_str());
    if (!stream)
        throw systemError(errno, QStringLiteral("Couldn’t open the folder"), folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(stream, ::closedir);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (!entry) {
            if (errno != 0)
                throw systemError(errno, QStringLiteral("Couldn’t read the folder"), folder);
            return names;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
}

} // namespace bramblet
