#include "BrambletCore/Operations/StagingFolder.h"

#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/OperationsLog.h"
#include "BrambletCore/Operations/TreeRemoval.h"

#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

// A payload copied from a read-only folder is read-only too: the removal opens such folders for
// their owner, so their contents go without privileges.
void removeStagingFolder(const fs::path& path)
{
    const FileDescriptor parent(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::vector<RemovalFailure> failures
        = parent.get() >= 0 ? removeTree(parent.get(), path.filename().native()) : std::vector { RemovalFailure { {}, errno } };
    if (!failures.empty())
        qCWarning(lcOperations).noquote() << QStringLiteral("Bramblet could not remove a staging folder: %1")
                                                 .arg(QString::fromStdString(systemError(failures.front().error, QStringLiteral("Couldn’t remove"),
                                                                                         path / failures.front().relative).what()));
}

// The open folder `fd` is still the one named `path`: a sweep may remove a folder between its
// creation and its lock, and a new one may take a swept name.
bool stillNamed(int fd, const fs::path& path)
{
    struct stat opened;
    struct stat named;
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

// Opens and locks the folder at `path` without waiting; an invalid descriptor when another
// process holds it or it is gone.
FileDescriptor lockedFolder(const fs::path& path)
{
    FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0 || ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0 || !stillNamed(folder.get(), path))
        return FileDescriptor(-1);
    return folder;
}

// What the marker file holds. Written in one write: a process killed between creating it and
// writing leaves it empty.
constexpr std::string_view markerText = "Bramblet staging folder\n";

bool writeMarker(int folder)
{
    const FileDescriptor marker(::openat(folder, StagingFolder::markerName.data(),
                                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return marker.get() >= 0 && ::write(marker.get(), markerText.data(), markerText.size()) == ssize_t(markerText.size());
}

// The marker's content, when `folder` holds a marker that is a regular file.
std::optional<std::string> markerIn(int folder)
{
    const FileDescriptor marker(::openat(folder, StagingFolder::markerName.data(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat status;
    if (marker.get() < 0 || ::fstat(marker.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size > off_t(markerText.size()))
        return std::nullopt;
    std::string text(markerText.size(), '\0');
    const ssize_t read = ::read(marker.get(), text.data(), text.size());
    if (read < 0)
        return std::nullopt;
    text.resize(size_t(read));
    return text;
}

// The locked folder `folder`, named like a staging folder, was made by our staging code: it holds
// our marker, or is as a kill right after its creation leaves it (empty, or holding only an empty
// marker). Anything else is the user's, whatever its name.
bool madeByStaging(int folder)
{
    const std::optional<std::string> marker = markerIn(folder);
    if (marker == markerText)
        return true;
    if (marker && !marker->empty())
        return false;
    Directory entries(folder, ".", true);
    if (!entries.isOpen())
        return false;
    while (const dirent* entry = entries.next()) {
        if (!marker || entry->d_name != StagingFolder::markerName)
            return false;
    }
    return entries.error() == 0;
}

std::pair<fs::path, FileDescriptor> createLocked(const fs::path& parent)
{
    for (;;) {
        fs::path path = parent
            / (std::string(StagingFolder::namePrefix)
               + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString());
        if (::mkdir(path.c_str(), 0700) != 0)
            throw systemError(errno, QStringLiteral("Couldn’t write in the folder"), parent);
        FileDescriptor lock = lockedFolder(path);
        if (lock.get() >= 0) {
            if (!writeMarker(lock.get())) {
                const int error = errno;
                removeStagingFolder(path);
                throw systemError(error, QStringLiteral("Couldn’t write in the folder"), parent);
            }
            return { std::move(path), std::move(lock) };
        }
        // Another request's sweep took the new folder before it was locked: make another.
    }
}

} // namespace

StagingFolder::StagingFolder(const fs::path& parent)
    : StagingFolder((sweepLeftovers(parent), createLocked(parent)))
{
}

StagingFolder::StagingFolder(std::pair<fs::path, FileDescriptor>&& created)
    : m_path(std::move(created.first))
    , m_lock(std::move(created.second))
{
}

StagingFolder::~StagingFolder()
{
    // Removed while still locked, so that no sweep starts on it halfway.
    removeStagingFolder(m_path);
}

void StagingFolder::sweepLeftovers(const fs::path& parent)
{
    std::vector<std::string> names;
    {
        Directory folder(AT_FDCWD, parent.c_str(), true);
        if (!folder.isOpen())
            return;
        while (const dirent* entry = folder.next()) {
            if (isStagingName(entry->d_name))
                names.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : names) {
        const fs::path path = parent / name;
        const FileDescriptor lock = lockedFolder(path);
        if (lock.get() >= 0 && madeByStaging(lock.get()))
            removeStagingFolder(path);
    }
}

bool StagingFolder::isStagingName(std::string_view name)
{
    if (!name.starts_with(namePrefix))
        return false;
    const std::string_view uuid = name.substr(namePrefix.size());
    // 8-4-4-4-12 upper-case hexadecimal digits.
    if (uuid.size() != 36)
        return false;
    for (size_t i = 0; i < uuid.size(); ++i) {
        const char c = uuid[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

} // namespace bramblet
