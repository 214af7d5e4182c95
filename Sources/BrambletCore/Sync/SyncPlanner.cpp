#include "BrambletCore/Sync/SyncPlanner.h"

#include "BrambletCore/Models/FileFailure.h"

#include <QFile>

#include <algorithm>
#include <memory>
#include <string_view>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bramblet {

namespace {

using Listed = SyncPlanner::Listed;

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

// Folder paths here end in "/"; the user reads them without it.
QString displayedPath(std::string_view path)
{
    if (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

FileFailure folderFailure(const std::string& folderPath, int error)
{
    return FileFailure::system(QStringLiteral("Couldn’t read the folder “%1”: %2")
                                   .arg(displayedPath(folderPath), systemReason(error)));
}

FileFailure itemFailure(const std::string& itemPath, int error)
{
    return FileFailure::system(QStringLiteral("Couldn’t read the attributes of “%1”: %2")
                                   .arg(displayedPath(itemPath), systemReason(error)));
}

SyncPlanner::Snapshot snapshotOf(const struct stat& info)
{
    const bool isDirectory = S_ISDIR(info.st_mode);
    return { isDirectory, isDirectory ? 0 : qint64(info.st_size), info.st_mtim };
}

// Every entry of one folder (hidden ones too) with its own attributes, sorted by name bytes.
// Only a root may be reached through a symbolic link; below it a link is an item, never a folder.
std::vector<Listed> listFolder(const std::string& folderPath, bool isRoot)
{
    const int fd = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW));
    if (fd < 0)
        throw folderFailure(folderPath, errno);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        throw folderFailure(folderPath, error);
    }
    std::vector<Listed> items;
    for (;;) {
        errno = 0;
        const dirent* found = ::readdir(dir.get());
        if (!found) {
            if (errno != 0)
                throw folderFailure(folderPath, errno);
            break;
        }
        const std::string_view name = found->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info;
        if (::fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            throw itemFailure(folderPath + std::string(name), errno);
        items.push_back({ std::string(name), snapshotOf(info) });
    }
    std::sort(items.begin(), items.end(), [](const Listed& a, const Listed& b) { return a.name < b.name; });
    return items;
}

std::vector<SyncPlanner::Child> mergeByName(std::vector<Listed> source, std::vector<Listed> destination)
{
    std::vector<SyncPlanner::Child> children;
    children.reserve(source.size() + destination.size());
    auto s = source.begin();
    auto d = destination.begin();
    while (s != source.end() || d != destination.end()) {
        if (d == destination.end() || (s != source.end() && s->name < d->name)) {
            children.push_back({ std::move(s->name), s->snapshot, std::nullopt });
            ++s;
        } else if (s == source.end() || d->name < s->name) {
            children.push_back({ std::move(d->name), std::nullopt, d->snapshot });
            ++d;
        } else {
            children.push_back({ std::move(s->name), s->snapshot, d->snapshot });
            ++s;
            ++d;
        }
    }
    return children;
}

bool isFolder(const std::optional<SyncPlanner::Snapshot>& item)
{
    return item && item->isDirectory;
}

SyncKind kindOf(const SyncPlanner::Child& child)
{
    if (!child.destination)
        return SyncKind::added;
    if (!child.source)
        return SyncKind::missing;
    const auto& source = *child.source;
    const auto& destination = *child.destination;
    if (source.isDirectory != destination.isDirectory)
        return SyncKind::changed;
    // A folder's own date moves whenever an entry is added or removed; what differs inside it
    // is listed entry by entry, so the folder itself never needs copying.
    if (source.isDirectory)
        return SyncKind::matching;
    const bool equal = source.size == destination.size && source.modified.tv_sec == destination.modified.tv_sec
        && source.modified.tv_nsec == destination.modified.tv_nsec;
    return equal ? SyncKind::matching : SyncKind::changed;
}

// In plain path order a folder's contents ("a/...") follow every sibling that sorts before
// "a/", such as "a-b" or "a.txt". Is `name`, a sibling after `folderName`, one of those?
bool sortsBeforeContentsOf(const std::string& name, const std::string& folderName)
{
    // `name` sorts after `folderName`; without it as a prefix it sorts after "folderName/" too.
    if (name.compare(0, folderName.size(), folderName) != 0)
        return false;
    return name.size() > folderName.size() && static_cast<unsigned char>(name[folderName.size()]) < '/';
}

std::string withTrailingSlash(const std::filesystem::path& root)
{
    std::string prefix = root.native();
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    return prefix;
}

} // namespace

SyncPlanner::SyncPlanner(std::filesystem::path sourceRoot, std::filesystem::path destinationRoot,
                         const Cancellation& cancellation, SyncProgress* progress)
    : m_sourcePrefix(withTrailingSlash(sourceRoot))
    , m_destinationPrefix(withTrailingSlash(destinationRoot))
    , m_cancellation(cancellation)
    , m_progress(progress)
{
    m_plan.sourceRoot = std::move(sourceRoot);
    m_plan.destinationRoot = std::move(destinationRoot);
}

SyncPlan SyncPlanner::plan()
{
    compareFolder({}, true, true);
    return std::move(m_plan);
}

void SyncPlanner::compareFolder(const std::string& folder, bool inSource, bool inDestination)
{
    const bool isRoot = folder.empty();
    // The source is listed before the destination, so a failure of both names the source.
    auto source = inSource ? list(m_sourcePrefix + folder, isRoot) : std::vector<Listed>();
    auto destination = inDestination ? list(m_destinationPrefix + folder, isRoot) : std::vector<Listed>();
    const auto children = mergeByName(std::move(source), std::move(destination));

    // Folders whose contents are still to be listed; the top one's contents sort first.
    std::vector<const Child*> pending;
    for (const auto& child : children) {
        while (!pending.empty() && !sortsBeforeContentsOf(child.name, pending.back()->name)) {
            descend(folder, *pending.back());
            pending.pop_back();
        }
        addEntry(folder, child);
        if (isFolder(child.source) || isFolder(child.destination))
            pending.push_back(&child);
    }
    for (; !pending.empty(); pending.pop_back())
        descend(folder, *pending.back());
}

void SyncPlanner::addEntry(const std::string& folder, const Child& child)
{
    const std::string relativePath = folder + child.name;
    SyncEntry entry;
    // Decoded as pathString() decodes, without its copy: a plan can hold a great many entries.
    entry.relativePath = QString::fromLocal8Bit(relativePath.data(), qsizetype(relativePath.size()));
    entry.source = m_sourcePrefix + relativePath;
    entry.destination = m_destinationPrefix + relativePath;
    entry.kind = kindOf(child);
    if (child.source) {
        entry.isDirectory = child.source->isDirectory;
        entry.size = child.source->size;
    }
    entry.destinationIsDirectory = isFolder(child.destination);
    m_plan.entries.append(std::move(entry));
}

void SyncPlanner::descend(const std::string& folder, const Child& child)
{
    const std::string path = folder + child.name + '/';
    if (isFolder(child.source) && isFolder(child.destination))
        compareFolder(path, true, true);
    else if (isFolder(child.source))
        // Added, or replacing a destination file: its copy brings everything below it, so
        // listing those again would only copy them a second time over the first.
        walkUnlisted(m_sourcePrefix + path);
    else
        compareFolder(path, false, true);
}

std::vector<Listed> SyncPlanner::list(const std::string& folderPath, bool isRoot)
{
    if (m_cancellation.isCancelled())
        throw FileFailure(FileFailure::Kind::cancelled);
    auto items = listFolder(folderPath, isRoot);
    if (m_progress)
        m_progress->addListed(qint64(items.size()));
    return items;
}

// Only the existence of errors matters below a source folder that is copied whole.
void SyncPlanner::walkUnlisted(const std::string& folderPath)
{
    for (const auto& item : list(folderPath, false)) {
        if (item.snapshot.isDirectory)
            walkUnlisted(folderPath + item.name + '/');
    }
}

} // namespace bramblet
