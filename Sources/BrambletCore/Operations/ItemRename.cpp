#include "BrambletCore/Operations/ItemRename.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/FileNames.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace bramblet {

namespace fs = std::filesystem;

void renameWithoutReplacing(const fs::path& from, const fs::path& to, const QString& action, const fs::path& shown)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL)
        throw systemError(errno, action, shown);
    // A file system that cannot refuse to replace: check, then rename.
    struct stat status;
    if (::lstat(to.c_str(), &status) == 0)
        throw systemError(EEXIST, action, shown);
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw systemError(errno, action, shown);
}

fs::path renameToFreeName(const fs::path& from, const fs::path& to, const QString& action)
{
    try {
        renameWithoutReplacing(from, to, action, to);
        return to;
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::file_exists)
            throw;
    }
    const fs::path numbered = firstFreeNumberedPath(to);
    renameWithoutReplacing(from, numbered, action, numbered);
    return numbered;
}

FolderOpenedForMove::FolderOpenedForMove(const fs::path& folder, const fs::path& shown, const QString& action)
    : m_folder(folder)
{
    struct stat status;
    if (::lstat(folder.c_str(), &status) != 0)
        throw systemError(errno, action, shown);
    if (!S_ISDIR(status.st_mode) || (status.st_mode & S_IWUSR))
        return;
    if (::chmod(folder.c_str(), (status.st_mode & 07777) | S_IWUSR) != 0)
        throw systemError(errno, action, shown);
    m_mode = status.st_mode & 07777;
}

FolderOpenedForMove::~FolderOpenedForMove()
{
    if (m_mode)
        ::chmod(m_folder.c_str(), *m_mode);
}

void FolderOpenedForMove::closeAt(const fs::path& place)
{
    if (m_mode && ::chmod(place.c_str(), *std::exchange(m_mode, std::nullopt)) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t set the permissions of"), place);
}

} // namespace bramblet
