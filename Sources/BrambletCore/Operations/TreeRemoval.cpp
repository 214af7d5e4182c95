#include "BrambletCore/Operations/TreeRemoval.h"

#include "BrambletCore/Files/Directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace bramblet {

namespace {

void removeEntry(int parent, const std::string& name, const std::string& relative, std::vector<RemovalFailure>& failures)
{
    struct stat status;
    if (::fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            failures.push_back({ relative, errno });
        return;
    }
    if (!S_ISDIR(status.st_mode)) {
        if (::unlinkat(parent, name.c_str(), 0) != 0 && errno != ENOENT)
            failures.push_back({ relative, errno });
        return;
    }
    // A folder of ours that its owner may not read or change is opened for the owner first.
    const mode_t mode = status.st_mode & 07777;
    const bool opened = (mode & S_IRWXU) != S_IRWXU && status.st_uid == ::geteuid()
        && ::fchmodat(parent, name.c_str(), mode | S_IRWXU, 0) == 0;
    std::vector<std::string> names;
    {
        Directory entries(parent, name.c_str(), false);
        while (const dirent* entry = entries.isOpen() ? entries.next() : nullptr)
            names.emplace_back(entry->d_name);
        if (entries.error() != 0)
            failures.push_back({ relative, entries.error() });
        if (entries.isOpen()) {
            for (const std::string& child : names)
                removeEntry(entries.fd(), child, relative.empty() ? child : relative + "/" + child, failures);
        }
    }
    if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT)
        return;
    // Not empty because something in it stayed: that is listed already.
    if (errno != ENOTEMPTY && errno != EEXIST)
        failures.push_back({ relative, errno });
    if (opened)
        ::fchmodat(parent, name.c_str(), mode, 0);
}

} // namespace

std::vector<RemovalFailure> removeTree(int parent, const std::string& name)
{
    std::vector<RemovalFailure> failures;
    removeEntry(parent, name, std::string(), failures);
    return failures;
}

} // namespace bramblet
