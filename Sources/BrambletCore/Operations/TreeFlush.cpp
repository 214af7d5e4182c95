#include "BrambletCore/Operations/TreeFlush.h"

#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/PosixFiles.h"
#include "BrambletCore/Operations/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace bramblet {

namespace {

void flushOne(const std::filesystem::path& path, int flags)
{
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | flags));
    if (fd.get() < 0)
        throwSystemError(errno, QStringLiteral("Couldn’t open"), path);
    if (::fsync(fd.get()) != 0)
        throwSystemError(errno, QStringLiteral("Couldn’t write to disk"), path);
}

void flushItem(const std::filesystem::path& path)
{
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        throwSystemError(errno, QStringLiteral("Couldn’t read the attributes of"), path);
    if (S_ISDIR(status.st_mode)) {
        for (const std::string& name : folderEntryNames(path))
            flushItem(path / name);
        flushOne(path, O_DIRECTORY);
    } else if (S_ISREG(status.st_mode)) {
        flushOne(path, O_NONBLOCK);
    }
}

} // namespace

void flushTree(const std::filesystem::path& root)
{
    flushItem(root);
    flushOne(root.parent_path(), O_DIRECTORY);
}

} // namespace bramblet
