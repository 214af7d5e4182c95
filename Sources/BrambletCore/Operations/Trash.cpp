#include "BrambletCore/Operations/Trash.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/FileNames.h"
#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Operations/PosixFiles.h"

#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string_view>
#include <vector>
#include <optional>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

// A record's name is the trashed name plus ".trashinfo"; longer names are cut to fit a file
// system's 255 bytes. The record's "Path=" keeps the whole name.
constexpr size_t longestTrashedName = 200;

struct TrashFolder {
    fs::path path;
    // The top of the item's file system, for a Trash there; empty for the home Trash, whose
    // records hold absolute paths.
    fs::path topdir;
};

QString trashAction()
{
    return QStringLiteral("Couldn’t move to the Trash");
}

[[noreturn]] void noTrashFolder(const fs::path& original)
{
    throw FileFailure::system(QStringLiteral("Couldn’t move “%1” to the Trash: no Trash folder could be made.")
                                  .arg(pathString(original)));
}

fs::path dataHome()
{
    const char* configured = std::getenv("XDG_DATA_HOME");
    if (configured && configured[0] == '/')
        return configured;
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/") / ".local/share";
}

// The device of the first folder on the way up from `path` that exists.
std::optional<dev_t> deviceOfNearest(fs::path path)
{
    for (;;) {
        struct stat status;
        if (::stat(path.c_str(), &status) == 0)
            return status.st_dev;
        if (!path.has_relative_path())
            return std::nullopt;
        path = path.parent_path();
    }
}

// The highest folder above `folder` (itself included) on the same file system.
fs::path topOfFileSystem(fs::path folder, dev_t device)
{
    while (folder.has_relative_path()) {
        struct stat status;
        if (::stat(folder.parent_path().c_str(), &status) != 0 || status.st_dev != device)
            break;
        folder = folder.parent_path();
    }
    return folder;
}

// Makes the folder if it is missing. It must then be a folder of ours, reached without a link.
bool ownFolder(const fs::path& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid();
}

std::optional<TrashFolder> topdirTrash(const fs::path& topdir)
{
    const std::string uid = std::to_string(::getuid());
    struct stat shared;
    const fs::path sharedTrash = topdir / ".Trash";
    // An administrator's shared Trash counts only when it is a real sticky folder: anyone may
    // have made a ".Trash" link to somewhere else.
    if (::lstat(sharedTrash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)
        && ownFolder(sharedTrash / uid))
        return TrashFolder { sharedTrash / uid, topdir };
    const fs::path ownTrash = topdir / (".Trash-" + uid);
    if (ownFolder(ownTrash))
        return TrashFolder { ownTrash, topdir };
    return std::nullopt;
}

std::optional<TrashFolder> trashFolderFor(const fs::path& original, dev_t device)
{
    const fs::path home = dataHome();
    if (deviceOfNearest(home) == device) {
        // The data folder itself must be there already: a Trash is never made in a place that
        // does not exist.
        const fs::path trash = home / "Trash";
        if (::mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST)
            return std::nullopt;
        return TrashFolder { trash, {} };
    }
    return topdirTrash(topOfFileSystem(original.parent_path(), device));
}

FileDescriptor openSubfolder(const fs::path& trash, const char* name)
{
    const fs::path path = trash / name;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return FileDescriptor(-1);
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::string deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The record's "Path=": relative to the top of the file system for a Trash there.
std::string recordedPath(const fs::path& original, const TrashFolder& trash)
{
    if (trash.topdir.empty())
        return original.native();
    const std::string& path = original.native();
    const size_t skip = trash.topdir.native() == "/" ? 1 : trash.topdir.native().size() + 1;
    return path.substr(skip);
}

// The absolute path of `path` with the links in its folder resolved, so that it can be told
// which file system it lies on and where that file system's top is.
fs::path realLocation(const fs::path& path)
{
    std::error_code error;
    const fs::path folder = fs::canonical(path.parent_path(), error);
    if (error)
        throw systemError(error.value(), trashAction(), path);
    return folder / path.filename();
}

// The line that marks a record as ours, so that our own incomplete records (a process killed
// between writing one and moving its item) can be told from any other program's.
constexpr std::string_view ownRecordLine = "X-Bramblet-Record=true";
constexpr std::string_view temporaryPrefix = ".bramblet-";
constexpr std::string_view temporarySuffix = ".trashinfo.part";

// Renames within the info folder without replacing a record that exists; false with errno set.
bool renameWithoutReplacingAt(int folder, const std::string& from, const std::string& to)
{
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system that cannot refuse to replace: a hard link can.
    if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0)
        return false;
    ::unlinkat(folder, from.c_str(), 0);
    return true;
}

// Removes `name` from the info folder when no running request holds it and `stillIncomplete`
// says so once the lock is held.
void removeUnheld(int info, const std::string& name, const std::function<bool(int)>& stillIncomplete)
{
    const FileDescriptor held(::openat(info, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (held.get() >= 0 && ::flock(held.get(), LOCK_EX | LOCK_NB) == 0 && stillIncomplete(held.get()))
        ::unlinkat(info, name.c_str(), 0);
}

bool isOwnRecord(int fd)
{
    // A record's "Path=" may take three bytes per byte of a long path: read all of it.
    std::string text;
    char chunk[16384];
    for (ssize_t count; text.size() < 65536 && (count = ::read(fd, chunk, sizeof chunk)) != 0;) {
        if (count < 0 && errno != EINTR)
            return false;
        if (count > 0)
            text.append(chunk, size_t(count));
    }
    return text.find("\n" + std::string(ownRecordLine) + "\n") != std::string::npos;
}

// Our own records whose item is not in the Trash, and our temporary records. Another program's
// records are never touched, nor a record a running request holds.
void removeIncompleteRecords(int info, int files)
{
    std::vector<std::string> names;
    {
        Directory entries(info, ".", false);
        while (const dirent* entry = entries.isOpen() ? entries.next() : nullptr)
            names.emplace_back(entry->d_name);
    }
    for (const std::string& name : names) {
        if (name.starts_with(temporaryPrefix) && name.ends_with(temporarySuffix)) {
            removeUnheld(info, name, [](int) { return true; });
            continue;
        }
        if (!name.ends_with(".trashinfo"))
            continue;
        const std::string item = name.substr(0, name.size() - std::string_view(".trashinfo").size());
        const auto noItem = [&] {
            struct stat status;
            return ::fstatat(files, item.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
        };
        if (noItem())
            removeUnheld(info, name, [&](int fd) { return isOwnRecord(fd) && noItem(); });
    }
}

} // namespace

void removeIncompleteTrashRecords()
{
    const fs::path trash = dataHome() / "Trash";
    const FileDescriptor info(::open((trash / "info").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const FileDescriptor files(::open((trash / "files").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (info.get() >= 0 && files.get() >= 0)
        removeIncompleteRecords(info.get(), files.get());
}

std::string trashInfoPath(std::string_view path)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
            || std::strchr("/-_.~!$&'()*+,;=:@", c)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 0xf];
        }
    }
    return encoded;
}

void moveToTrash(const fs::path& item)
{
    TrashSlot slot(item);
    slot.take(item);
}

TrashSlot::TrashSlot(const fs::path& original)
    : m_original(original)
{
    struct stat status;
    if (::lstat(original.c_str(), &status) != 0)
        throw systemError(errno, trashAction(), original);
    const fs::path place = realLocation(original);
    const std::optional<TrashFolder> trash = trashFolderFor(place, status.st_dev);
    if (!trash)
        noTrashFolder(original);
    const FileDescriptor info = openSubfolder(trash->path, "info");
    const FileDescriptor files = openSubfolder(trash->path, "files");
    if (info.get() < 0 || files.get() < 0)
        noTrashFolder(original);

    removeIncompleteRecords(info.get(), files.get());

    // Written whole and flushed under a name of our own first, then given the record's name in
    // one rename that never replaces: no reader ever sees a partial record, and a kill leaves at
    // most the temporary file, which the next clean-up removes. The lock keeps that clean-up off
    // the record while this slot waits for its item.
    const std::string record = "[Trash Info]\nPath=" + trashInfoPath(recordedPath(place, *trash))
        + "\nDeletionDate=" + deletionDate() + "\n" + std::string(ownRecordLine) + "\n";
    const std::string temporary = std::string(temporaryPrefix)
        + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString() + std::string(temporarySuffix);
    FileDescriptor recordFile(::openat(info.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (recordFile.get() < 0)
        throw systemError(errno, trashAction(), original);
    const auto fail = [&](int error) {
        ::unlinkat(info.get(), temporary.c_str(), 0);
        throw systemError(error, trashAction(), original);
    };
    if (::flock(recordFile.get(), LOCK_EX) != 0 || !writeAll(recordFile.get(), record) || ::fsync(recordFile.get()) != 0)
        fail(errno);
    const std::string name = place.filename().native().substr(0, longestTrashedName);
    for (qint64 number = 1;; ++number) {
        const std::string trashed = number == 1 ? name : numberedName(name, number);
        const std::string recordName = trashed + ".trashinfo";
        struct stat taken;
        if (::fstatat(files.get(), trashed.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (!renameWithoutReplacingAt(info.get(), temporary, recordName)) {
            if (errno == EEXIST)
                continue;
            fail(errno);
        }
        if (::fsync(info.get()) != 0) {
            const int error = errno;
            ::unlinkat(info.get(), recordName.c_str(), 0);
            throw systemError(error, trashAction(), original);
        }
        m_record = trash->path / "info" / recordName;
        m_path = trash->path / "files" / trashed;
        m_recordLock.emplace(std::move(recordFile));
        return;
    }
}

TrashSlot::~TrashSlot()
{
    if (!m_holdsItem)
        ::unlink(m_record.c_str());
}

void TrashSlot::take(const fs::path& item)
{
    if (::renameat2(AT_FDCWD, item.c_str(), AT_FDCWD, m_path.c_str(), RENAME_NOREPLACE) != 0)
        throw systemError(errno, trashAction(), m_original);
    m_holdsItem = true;
    // The item's new entry reaches the disk with its record, already there.
    const FileDescriptor files(::open(m_path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (files.get() >= 0)
        ::fsync(files.get());
}

} // namespace bramblet
