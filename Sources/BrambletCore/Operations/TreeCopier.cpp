#include "BrambletCore/Operations/TreeCopier.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace bramblet {

namespace {

constexpr size_t fallbackChunkSize = 1 << 20;

FileDescriptor openOrThrow(const std::filesystem::path& path, int flags, mode_t mode = 0)
{
    FileDescriptor fd(::open(path.c_str(), flags | O_CLOEXEC, mode));
    if (fd.get() < 0)
        throw systemError(errno, (flags & O_CREAT) ? QStringLiteral("Couldn’t create") : QStringLiteral("Couldn’t open"), path);
    return fd;
}

void writeAll(int fd, const unsigned char* data, size_t size, const std::filesystem::path& path)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw systemError(errno, QStringLiteral("Couldn’t write"), path);
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}

// Where the kernel cannot copy between the two files (another file system on an older kernel,
// a file system without support), read and write from the current offsets on.
void copyByReadWrite(int in, int out, const std::filesystem::path& source, const std::filesystem::path& destination)
{
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(fallbackChunkSize);
    while (const size_t count = readChunk(in, { buffer.get(), fallbackChunkSize }, source))
        writeAll(out, buffer.get(), count, destination);
}

void copyContent(int in, int out, const std::filesystem::path& source, const std::filesystem::path& destination)
{
    for (;;) {
        const ssize_t count = ::copy_file_range(in, nullptr, out, nullptr, size_t { 1 } << 30, 0);
        if (count > 0)
            continue;
        if (count == 0)
            return;
        switch (errno) {
        case EINTR:
            continue;
        case EXDEV:
        case ENOSYS:
        case EINVAL:
        case EOPNOTSUPP:
            copyByReadWrite(in, out, source, destination);
            return;
        default:
            throw systemError(errno, QStringLiteral("Couldn’t copy to"), destination);
        }
    }
}

// Extended attributes are copied where the destination takes them; a namespace the destination
// refuses (security or trusted attributes, a file system without them) is left behind, as a
// file manager's copy does.
void copyExtendedAttributes(int in, int out, const std::filesystem::path& source, const std::filesystem::path& destination)
{
    const QString readAttributes = QStringLiteral("Couldn’t read the extended attributes of");
    const ssize_t listSize = ::flistxattr(in, nullptr, 0);
    if (listSize < 0) {
        if (errno == ENOTSUP)
            return;
        throw systemError(errno, readAttributes, source);
    }
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t listed = ::flistxattr(in, names.data(), names.size());
    if (listed < 0)
        throw systemError(errno, readAttributes, source);
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + listed; name += std::char_traits<char>::length(name) + 1) {
        const ssize_t valueSize = ::fgetxattr(in, name, nullptr, 0);
        if (valueSize < 0)
            throw systemError(errno, readAttributes, source);
        value.resize(static_cast<size_t>(valueSize));
        const ssize_t read = ::fgetxattr(in, name, value.data(), value.size());
        if (read < 0)
            throw systemError(errno, readAttributes, source);
        if (::fsetxattr(out, name, value.data(), static_cast<size_t>(read), 0) != 0 && errno != ENOTSUP && errno != EPERM)
            throw systemError(errno, QStringLiteral("Couldn’t write the extended attributes of"), destination);
    }
}

void copyMetadata(int in, int out, const struct stat& status, const std::filesystem::path& source,
                  const std::filesystem::path& destination)
{
    copyExtendedAttributes(in, out, source, destination);
    if (::fchmod(out, status.st_mode & 07777) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t set the permissions of"), destination);
    const timespec times[2] = { status.st_atim, status.st_mtim };
    if (::futimens(out, times) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t set the dates of"), destination);
}

struct stat requireType(int fd, const std::filesystem::path& path, bool (*isExpectedType)(mode_t))
{
    struct stat status;
    if (::fstat(fd, &status) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), path);
    // The item changed its type since it was looked at: whatever it is now, it is not copied.
    if (!isExpectedType(status.st_mode))
        throw FileFailure(FileFailure::Kind::unsupportedItem);
    return status;
}

void copyFile(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    // O_NONBLOCK keeps an item swapped for a named pipe from blocking the open.
    const FileDescriptor in = openOrThrow(source, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    const struct stat status = requireType(in.get(), source, [](mode_t mode) { return S_ISREG(mode); });
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const FileDescriptor out = openOrThrow(destination, O_WRONLY | O_CREAT | O_EXCL, 0600);
    copyContent(in.get(), out.get(), source, destination);
    copyMetadata(in.get(), out.get(), status, source, destination);
}

void copyItem(const std::filesystem::path& source, const std::filesystem::path& destination);

void copyFolder(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    const FileDescriptor in = openOrThrow(source, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    const struct stat status = requireType(in.get(), source, [](mode_t mode) { return S_ISDIR(mode); });
    // Owner-only until the contents are in, so that a read-only source folder can still be filled.
    if (::mkdir(destination.c_str(), 0700) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t create the folder"), destination);
    for (const std::string& name : folderEntryNames(source))
        copyItem(source / name, destination / name);
    const FileDescriptor out = openOrThrow(destination, O_RDONLY | O_DIRECTORY);
    copyMetadata(in.get(), out.get(), status, source, destination);
}

void copyLink(const std::filesystem::path& source, const std::filesystem::path& destination, const struct stat& status)
{
    if (::symlink(readLinkTarget(source).c_str(), destination.c_str()) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t create the link"), destination);
    const timespec times[2] = { status.st_atim, status.st_mtim };
    if (::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t set the dates of"), destination);
}

void copyItem(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    struct stat status;
    if (::lstat(source.c_str(), &status) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), source);
    if (S_ISLNK(status.st_mode))
        copyLink(source, destination, status);
    else if (S_ISDIR(status.st_mode))
        copyFolder(source, destination);
    else if (S_ISREG(status.st_mode))
        copyFile(source, destination);
    else
        throw FileFailure(FileFailure::Kind::unsupportedItem);
}

} // namespace

void TreeCopier::copy(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    copyItem(source, destination);
}

} // namespace bramblet
