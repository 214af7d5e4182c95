#include "BrambletCore/Operations/StagingFolder.h"

#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/OperationsLog.h"

#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

// A payload copied from a read-only folder is read-only too; give the owner back write access
// to every folder in it, so that its contents can be removed without privileges.
void makeFoldersWritable(const fs::path& root, std::error_code& error)
{
    struct stat status;
    if (::lstat(root.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return;
    ::chmod(root.c_str(), 0700);
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error))
        makeFoldersWritable(it->path(), error);
}

void removeStagingFolder(const fs::path& path)
{
    std::error_code error;
    makeFoldersWritable(path, error);
    if (!error)
        fs::remove_all(path, error);
    if (error)
        qCWarning(lcOperations).noquote() << QStringLiteral("Bramblet could not remove a staging folder: %1")
                                                 .arg(QString::fromStdString(error.message()));
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

std::pair<fs::path, FileDescriptor> createLocked(const fs::path& parent)
{
    for (;;) {
        fs::path path = parent
            / (std::string(StagingFolder::namePrefix)
               + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString());
        if (::mkdir(path.c_str(), 0700) != 0)
            throw systemError(errno, QStringLiteral("Couldn’t write in the folder"), parent);
        FileDescriptor lock = lockedFolder(path);
        if (lock.get() >= 0)
            return { std::move(path), std::move(lock) };
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
            if (std::string_view(entry->d_name).starts_with(namePrefix))
                names.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : names) {
        const fs::path path = parent / name;
        const FileDescriptor lock = lockedFolder(path);
        if (lock.get() >= 0)
            removeStagingFolder(path);
    }
}

} // namespace bramblet
