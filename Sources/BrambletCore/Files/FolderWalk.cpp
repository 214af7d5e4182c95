#include "BrambletCore/Files/FolderWalk.h"

#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Files/ItemAttributes.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace bramblet {

namespace {

struct Level {
    Directory directory;
    std::filesystem::path url;
};

bool isFolder(const Level& level, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat attributes;
    return fstatat(level.directory.fd(), entry.d_name, &attributes, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISDIR(attributes.st_mode);
}

} // namespace

QList<FileItem> walkFolder(const std::filesystem::path& root, const FilenameFilter& filter, bool showHidden,
                           const Cancellation& cancellation)
{
    std::vector<Level> levels;
    levels.push_back({ Directory(AT_FDCWD, root.c_str(), true), root });
    if (!levels.back().directory.isOpen())
        throw systemError(levels.back().directory.error(), QStringLiteral("Couldn’t search in"), root);

    QList<FileItem> found;
    while (!levels.empty()) {
        const dirent* entry = levels.back().directory.next();
        if (!entry) {
            levels.pop_back();
            continue;
        }
        if (cancellation.isCancelled())
            throw FileFailure(FileFailure::Kind::cancelled);
        const char* name = entry->d_name;
        if (!showHidden && name[0] == '.')
            continue;
        const Level& level = levels.back();
        auto url = childPath(level.url, name);
        if (filter.matchesUtf8(name)) {
            try {
                found.append(readItem(level.directory.fd(), name, url, listingKeys));
            } catch (const std::system_error& error) {
                if (!isVanished(error))
                    throw;
            }
        }
        if (isFolder(level, *entry)) {
            Directory inner(level.directory.fd(), name, false);
            if (inner.isOpen())
                levels.push_back({ std::move(inner), std::move(url) });
        }
    }
    return found;
}

} // namespace bramblet
