#include "BrambletCore/Operations/Manifest.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/HashedRead.h"
#include "BrambletCore/Operations/LargestFirst.h"
#include "BrambletCore/Operations/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <span>

namespace bramblet {

namespace {

constexpr size_t chunkSize = 1 << 20;

// One regular file whose content still has to be hashed. `order` is the position at which the
// walk met it, so that the first failure in walk order can be told apart from later ones.
struct FileJob {
    size_t root = 0;
    uint64_t order = 0;
    std::string key;
    std::filesystem::path path;
    off_t size = 0;
    std::string digest;
    std::exception_ptr failure;
};

struct TreeWalk {
    Manifest::Entries entries;
    std::exception_ptr failure;
    uint64_t failureOrder = std::numeric_limits<uint64_t>::max();
};

// Records folders and links of one tree and collects its regular files for hashing. Stops at the
// first failure, which it keeps with the position at which it happened.
void walkTree(const std::filesystem::path& root, size_t rootIndex, TreeWalk& walk, std::vector<FileJob>& jobs)
{
    std::vector<std::pair<std::filesystem::path, std::string>> stack { { root, std::string() } };
    uint64_t order = 0;
    try {
        while (!stack.empty()) {
            auto [path, key] = std::move(stack.back());
            stack.pop_back();
            ++order;
            struct stat status;
            if (::lstat(path.c_str(), &status) != 0)
                throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), path);
            if (S_ISLNK(status.st_mode)) {
                walk.entries[key] = "link:" + readLinkTarget(path);
            } else if (S_ISDIR(status.st_mode)) {
                walk.entries[key] = "directory";
                for (std::string& name : folderEntryNames(path))
                    stack.emplace_back(path / name, key + "/" + name);
            } else if (S_ISREG(status.st_mode)) {
                jobs.push_back({ rootIndex, order, key, path, status.st_size, {}, {} });
            } else {
                throw FileFailure::unsupportedItem(pathString(path));
            }
        }
    } catch (...) {
        walk.failure = std::current_exception();
        walk.failureOrder = order;
    }
}

std::string sha256OfFile(const std::filesystem::path& path, std::span<unsigned char> buffer)
{
    // O_NONBLOCK: should the file have been swapped for a named pipe since the walk, opening it
    // must not wait for a writer; the type check below then refuses it.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    const int fd = file.get();
    if (fd < 0)
        throw systemError(errno, QStringLiteral("Couldn’t open"), path);
    struct stat status;
    if (::fstat(fd, &status) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), path);
    if (!S_ISREG(status.st_mode))
        throw FileFailure::unsupportedItem(pathString(path));
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return readHashing(fd, status.st_size, buffer, path);
}

void hashAll(std::vector<FileJob>& jobs)
{
    std::vector<off_t> sizes;
    for (const FileJob& job : jobs)
        sizes.push_back(job.size);
    forEachLargestFirst(sizes, chunkSize, [&](size_t i, std::span<unsigned char> buffer) {
        try {
            jobs[i].digest = sha256OfFile(jobs[i].path, buffer);
        } catch (...) {
            jobs[i].failure = std::current_exception();
        }
    });
}

} // namespace

Manifest::Manifest(Entries entries)
    : m_entries(std::move(entries))
{
}

const Manifest& ManifestAttempt::get() const
{
    if (failure)
        std::rethrow_exception(failure);
    return *manifest;
}

Manifest Manifest::of(const std::filesystem::path& root)
{
    return ofEach({ root }).front().get();
}

std::vector<ManifestAttempt> Manifest::ofEach(const std::vector<std::filesystem::path>& roots)
{
    std::vector<TreeWalk> walks(roots.size());
    std::vector<FileJob> jobs;
    for (size_t i = 0; i < roots.size(); ++i)
        walkTree(roots[i], i, walks[i], jobs);
    hashAll(jobs);

    for (FileJob& job : jobs) {
        TreeWalk& walk = walks[job.root];
        if (job.order > walk.failureOrder)
            continue;
        if (job.failure) {
            walk.failure = job.failure;
            walk.failureOrder = job.order;
        } else {
            walk.entries[std::move(job.key)] = std::move(job.digest);
        }
    }

    std::vector<ManifestAttempt> attempts;
    attempts.reserve(roots.size());
    for (TreeWalk& walk : walks) {
        if (walk.failure)
            attempts.push_back({ std::nullopt, walk.failure });
        else
            attempts.push_back({ Manifest(std::move(walk.entries)), nullptr });
    }
    return attempts;
}

} // namespace bramblet
