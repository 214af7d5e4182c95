#include "BrambletCore/Operations/TreeFlush.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace bramblet {

namespace {

FileDescriptor openForFlush(const std::filesystem::path& path, int flags)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | flags));
    if (fd.get() < 0)
        throw systemError(errno, QStringLiteral("Couldn’t open"), path);
    return fd;
}

void check(int result, const std::filesystem::path& path)
{
    if (result != 0)
        throw systemError(errno, QStringLiteral("Couldn’t write to disk"), path);
}

} // namespace

void flushTree(const std::filesystem::path& root)
{
    struct stat status;
    if (::lstat(root.c_str(), &status) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), root);
    if (S_ISDIR(status.st_mode)) {
        const FileDescriptor folder = openForFlush(root, O_DIRECTORY);
        check(::syncfs(folder.get()), root);
    } else if (S_ISREG(status.st_mode)) {
        // O_NONBLOCK: a named pipe put in its place meanwhile must not block the open.
        const FileDescriptor file = openForFlush(root, O_NONBLOCK);
        check(::fsync(file.get()), root);
    }
    // A symbolic link lives in its folder's entry, which is flushed here.
    const FileDescriptor parent = openForFlush(root.parent_path(), O_DIRECTORY);
    check(::fsync(parent.get()), root.parent_path());
}

} // namespace bramblet
