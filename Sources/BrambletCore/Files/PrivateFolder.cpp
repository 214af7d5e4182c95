#include "BrambletCore/Files/PrivateFolder.h"

#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace bramblet {

namespace {

[[noreturn]] void failWithErrno(const std::filesystem::path& folder)
{
    throw FileFailure::system(
        QStringLiteral("\u201c%1\u201d: %2").arg(pathString(folder), QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

void preparePrivateFolder(const std::filesystem::path& folder)
{
    std::error_code ignored;
    std::filesystem::create_directories(folder.parent_path(), ignored);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        failWithErrno(folder);
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0)
        failWithErrno(folder);
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        throw FileFailure::system(QStringLiteral("\u201c%1\u201d is not a private folder of this user.").arg(pathString(folder)));
    if ((status.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        failWithErrno(folder);
}

} // namespace bramblet
