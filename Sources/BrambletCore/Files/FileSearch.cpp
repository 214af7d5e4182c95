#include "BrambletCore/Files/FileSearch.h"

#include "BrambletCore/Files/FolderWalk.h"
#include "BrambletCore/Files/ItemAttributes.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FilenameFilter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace bramblet {

namespace {

// The root in standard form without trailing slashes, so "/a/b" and "/a/b/" search alike.
std::filesystem::path standardRoot(const std::filesystem::path& root)
{
    std::string text = root.lexically_normal().native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool hasHiddenComponent(const std::string& path, size_t from)
{
    for (size_t at = from; at < path.size();) {
        if (path[at] == '.')
            return true;
        const auto slash = path.find('/', at);
        if (slash == std::string::npos)
            break;
        at = slash + 1;
    }
    return false;
}

} // namespace

QList<FileItem> searchFolder(const NameIndex& index, const std::filesystem::path& root, const QString& query,
                             bool showHidden, const Cancellation& cancellation)
{
    const FilenameFilter filter(query);
    const auto base = standardRoot(root);
    struct stat attributes;
    if (stat(base.c_str(), &attributes) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t search in"), root);
    if (!S_ISDIR(attributes.st_mode))
        throw systemError(ENOTDIR, QStringLiteral("Couldn’t search in"), root);

    const std::string prefix = base.native() == "/" ? base.native() : base.native() + '/';
    // The index is asked for the longest literal part and the whole query matched on what it
    // gives; a query of wildcards alone would ask it for everything, which the walk does better.
    const QString term = filter.longestLiteral();
    std::vector<std::filesystem::path> candidates;
    const bool answered = !term.isEmpty() && index.find(term, [&](std::filesystem::path&& path) {
        path = path.lexically_normal();
        const std::string& text = path.native();
        if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0)
            return;
        if (!showHidden && hasHiddenComponent(text, prefix.size()))
            return;
        if (filter.matchesUtf8(path.filename().native()))
            candidates.push_back(std::move(path));
    });
    if (cancellation.isCancelled())
        throw FileFailure(FileFailure::Kind::cancelled);

    if (answered) {
        QList<FileItem> found;
        for (const auto& path : candidates) {
            try {
                found.append(readItem(AT_FDCWD, path.c_str(), path, listingKeys));
            } catch (const std::system_error& error) {
                // The index is rebuilt now and then; what was deleted since is not a failure.
                if (!isVanished(error))
                    throw;
            }
        }
        if (!found.isEmpty())
            return found;
    }
    return walkFolder(base, filter, showHidden, cancellation);
}

} // namespace bramblet
