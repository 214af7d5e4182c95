#include "BrambletCore/Operations/TreeCopier.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/HashedRead.h"
#include "BrambletCore/Operations/LargestFirst.h"
#include "BrambletCore/Operations/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <optional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace bramblet {

namespace {

constexpr size_t chunkSize = 1 << 20;

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
        throw FileFailure::unsupportedItem(pathString(path));
    return status;
}

// Lets the kernel copy a file larger than the buffer while a second thread reads the source and
// hashes what it read, so the copy costs about what hashing costs. The two reads of the source can
// differ only if it changed meanwhile, and then the copy's own manifest differs from the digest
// returned here, which fails the verification. Nothing when the file system has no such copy:
// nothing was written then.
std::optional<std::string> copyInKernelWhileHashing(int in, int out, off_t size, std::span<unsigned char> buffer,
                                                    const std::filesystem::path& source,
                                                    const std::filesystem::path& destination)
{
    if (size <= off_t(buffer.size()))
        return std::nullopt;
    off_t inOffset = 0;
    off_t outOffset = 0;
    constexpr size_t step = size_t(1) << 30;
    ssize_t copied = ::copy_file_range(in, &inOffset, out, &outOffset, step, 0);
    if (copied < 0) {
        if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF)
            return std::nullopt;
        throw systemError(errno, QStringLiteral("Couldn’t write"), destination);
    }
    // The hash reads through the descriptor's own offset; the copy gives its offsets explicitly.
    std::future<std::string> digest
        = std::async(std::launch::async, [&] { return readHashing(in, size, buffer, source); });
    while (copied > 0) {
        copied = ::copy_file_range(in, &inOffset, out, &outOffset, step, 0);
        if (copied < 0 && errno == EINTR)
            copied = 1;
        else if (copied < 0)
            throw systemError(errno, QStringLiteral("Couldn’t write"), destination);
    }
    return digest.get();
}

std::string copyFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                     std::span<unsigned char> buffer)
{
    // O_NONBLOCK keeps an item swapped for a named pipe from blocking the open.
    const FileDescriptor in = openOrThrow(source, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    const struct stat status = requireType(in.get(), source, [](mode_t mode) { return S_ISREG(mode); });
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const FileDescriptor out = openOrThrow(destination, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (std::optional<std::string> digest
        = copyInKernelWhileHashing(in.get(), out.get(), status.st_size, buffer, source, destination)) {
        copyMetadata(in.get(), out.get(), status, source, destination);
        return std::move(*digest);
    }
    // The bytes written are the bytes hashed.
    std::string digest = readHashing(in.get(), status.st_size, buffer, source, [&](std::span<const unsigned char> chunk) {
        writeAll(out.get(), chunk.data(), chunk.size(), destination);
    });
    copyMetadata(in.get(), out.get(), status, source, destination);
    return digest;
}

void copyFolderMetadata(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    const FileDescriptor in = openOrThrow(source, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    const struct stat status = requireType(in.get(), source, [](mode_t mode) { return S_ISDIR(mode); });
    const FileDescriptor out = openOrThrow(destination, O_RDONLY | O_DIRECTORY);
    copyMetadata(in.get(), out.get(), status, source, destination);
}

void copyLink(const std::filesystem::path& destination, const std::string& target, const struct stat& status)
{
    if (::symlink(target.c_str(), destination.c_str()) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t create the link"), destination);
    const timespec times[2] = { status.st_atim, status.st_mtim };
    if (::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t set the dates of"), destination);
}

struct Item {
    std::filesystem::path source;
    std::filesystem::path destination;
    std::string key;
};

struct FileJob {
    Item item;
    off_t size = 0;
    std::string digest;
    std::exception_ptr failure;
};

// Copies every file on all cores; returns the first failure in walk order, if any.
std::exception_ptr copyAll(std::vector<FileJob>& jobs)
{
    std::vector<off_t> sizes;
    for (const FileJob& job : jobs)
        sizes.push_back(job.size);
    forEachLargestFirst(sizes, chunkSize, [&](size_t i, std::span<unsigned char> buffer) {
        FileJob& job = jobs[i];
        try {
            job.digest = copyFile(job.item.source, job.item.destination, buffer);
        } catch (...) {
            job.failure = std::current_exception();
        }
    });
    for (const FileJob& job : jobs) {
        if (job.failure)
            return job.failure;
    }
    return nullptr;
}

} // namespace

Manifest TreeCopier::copy(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    // Folders and links are made as the walk meets them, files are gathered and copied at once.
    Manifest::Entries entries;
    std::vector<FileJob> files;
    std::vector<Item> folders;
    std::vector<Item> stack { { source, destination, std::string() } };
    while (!stack.empty()) {
        Item item = std::move(stack.back());
        stack.pop_back();
        struct stat status;
        if (::lstat(item.source.c_str(), &status) != 0)
            throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), item.source);
        if (S_ISLNK(status.st_mode)) {
            const std::string target = readLinkTarget(item.source);
            copyLink(item.destination, target, status);
            entries[item.key] = "link:" + target;
        } else if (S_ISDIR(status.st_mode)) {
            // Owner-only until the contents are in, so that a read-only source folder can still be filled.
            if (::mkdir(item.destination.c_str(), 0700) != 0)
                throw systemError(errno, QStringLiteral("Couldn’t create the folder"), item.destination);
            entries[item.key] = "directory";
            for (const std::string& name : folderEntryNames(item.source))
                stack.push_back({ item.source / name, item.destination / name, item.key + "/" + name });
            folders.push_back(std::move(item));
        } else if (S_ISREG(status.st_mode)) {
            files.push_back({ std::move(item), status.st_size, {}, {} });
        } else {
            throw FileFailure::unsupportedItem(pathString(item.source));
        }
    }
    if (const std::exception_ptr failure = copyAll(files))
        std::rethrow_exception(failure);
    for (FileJob& job : files)
        entries[std::move(job.item.key)] = std::move(job.digest);
    // Inner folders first: adding entries to a folder would change the dates just set.
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        copyFolderMetadata(folder->source, folder->destination);
    return Manifest(std::move(entries));
}

} // namespace bramblet
