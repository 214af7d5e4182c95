#include "BrambletCore/Operations/StagingFolder.h"

#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/DisplacedItem.h"
#include "BrambletCore/Operations/OperationsLog.h"
#include "BrambletCore/Operations/PosixFiles.h"
#include "BrambletCore/Operations/SourceRemoval.h"
#include "BrambletCore/Operations/TreeRemoval.h"

#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
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

// The journal of staging folders: one record per folder made and not yet removed, named by its
// UUID, holding the path of the folder it was made in, and locked by the request using it. It
// tells the sweep at start-up where a killed request left something.
fs::path journalFolder()
{
    const char* configured = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const fs::path state = configured && configured[0] == '/' ? fs::path(configured) : fs::path(home ? home : "/") / ".local/state";
    return state / "Bramblet/staging";
}

// Written before the folder is made, so that no staging folder exists that the journal does not
// name. Without a journal (no state folder can be made) requests go on: only the start-up sweep
// then misses their leftovers.
FileDescriptor journalRecord(const fs::path& parent, const std::string& uuid)
{
    const fs::path folder = journalFolder();
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    FileDescriptor record(::open((folder / uuid).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (record.get() < 0 || ::flock(record.get(), LOCK_EX | LOCK_NB) != 0
        || ::write(record.get(), parent.c_str(), parent.native().size()) != ssize_t(parent.native().size()))
        return FileDescriptor(-1);
    return record;
}

// Forgets the record of a staging folder that is gone, unless a running request holds it.
void forgetRecord(const std::string& uuid)
{
    const fs::path record = journalFolder() / uuid;
    const FileDescriptor held(::open(record.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (held.get() >= 0 && ::flock(held.get(), LOCK_EX | LOCK_NB) == 0)
        ::unlink(record.c_str());
}

bool itemExists(const fs::path& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

std::string uuidOf(const fs::path& staging)
{
    return staging.filename().native().substr(StagingFolder::namePrefix.size());
}

} // namespace

struct StagingFolder::Created {
    fs::path path;
    FileDescriptor lock;
    FileDescriptor record;
};

StagingFolder::Created StagingFolder::create(const fs::path& parent)
{
    for (;;) {
        const std::string uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
        FileDescriptor record = journalRecord(parent, uuid);
        const auto dropRecord = [&] {
            if (record.get() >= 0)
                ::unlink((journalFolder() / uuid).c_str());
        };
        fs::path path = parent / (std::string(StagingFolder::namePrefix) + uuid);
        if (::mkdir(path.c_str(), 0700) != 0) {
            const int error = errno;
            dropRecord();
            throw systemError(error, QStringLiteral("Couldn’t write in the folder"), parent);
        }
        FileDescriptor lock = lockedFolder(path);
        if (lock.get() >= 0) {
            if (!writeMarker(lock.get())) {
                const int error = errno;
                removeStagingFolder(path);
                dropRecord();
                throw systemError(error, QStringLiteral("Couldn’t write in the folder"), parent);
            }
            return { std::move(path), std::move(lock), std::move(record) };
        }
        // Another request's sweep took the new folder before it was locked: make another.
        dropRecord();
    }
}

StagingFolder::StagingFolder(const fs::path& parent)
    : StagingFolder(create(parent))
{
}

StagingFolder::StagingFolder(Created&& created)
    : m_path(std::move(created.path))
    , m_lock(std::move(created.lock))
    , m_record(std::move(created.record))
{
}

StagingFolder::~StagingFolder()
{
    // Removed while still locked, so that no sweep starts on it halfway.
    removeStagingFolder(m_path);
    if (m_record.get() >= 0 && !itemExists(m_path))
        ::unlink((journalFolder() / uuidOf(m_path)).c_str());
}

fs::path StagingFolder::payload() const
{
    static const bool descriptorPaths = ::access("/proc/self/fd", X_OK) == 0;
    if (!descriptorPaths)
        return m_path / "payload";
    return fs::path("/proc/self/fd") / std::to_string(m_lock.get()) / "payload";
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
        if (lock.get() < 0 || !madeByStaging(lock.get()))
            continue;
        finishKilledMove(lock.get(), path);
        finishKilledReplace(lock.get(), path);
        removeStagingFolder(path);
        if (!itemExists(path))
            forgetRecord(uuidOf(path));
    }
}

void StagingFolder::sweepRecorded()
{
    const fs::path journal = journalFolder();
    std::vector<std::string> uuids;
    try {
        uuids = folderEntryNames(journal);
    } catch (const std::system_error&) {
        return;
    }
    for (const std::string& uuid : uuids) {
        const fs::path record = journal / uuid;
        const FileDescriptor held(::open(record.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        if (held.get() < 0 || ::flock(held.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        std::string parent(PATH_MAX, '\0');
        const ssize_t length = ::read(held.get(), parent.data(), parent.size());
        parent.resize(length > 0 ? size_t(length) : 0);
        if (!parent.empty())
            sweepLeftovers(parent);
        if (parent.empty() || !itemExists(fs::path(parent) / (std::string(namePrefix) + uuid)))
            ::unlink(record.c_str());
    }
}

bool StagingFolder::isStagingName(std::string_view name)
{    if (!name.starts_with(namePrefix))
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
