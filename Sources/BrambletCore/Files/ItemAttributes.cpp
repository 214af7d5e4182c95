#include "BrambletCore/Files/ItemAttributes.h"

#include "BrambletCore/Files/SystemError.h"

#include <QByteArray>
#include <QList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace bramblet {

namespace {

constexpr const char* tagsAttribute = "user.xdg.tags";

Date dateOf(const struct statx_timestamp& timestamp)
{
    const auto sinceEpoch = std::chrono::seconds(timestamp.tv_sec) + std::chrono::nanoseconds(timestamp.tv_nsec);
    return Date(std::chrono::duration_cast<Date::duration>(sinceEpoch));
}

// Tags are a courtesy of the file system: one that has no user attributes, a value we may not
// read or one that vanished all mean no tags, never a failed listing.
QStringList readTags(const std::filesystem::path& url)
{
    char small[256];
    const ssize_t length = lgetxattr(url.c_str(), tagsAttribute, small, sizeof small);
    if (length >= 0)
        return tagsFromAttribute(QByteArrayView(small, length));
    // A long value: ask for its size, and again if it grew in between.
    QByteArray large;
    while (errno == ERANGE) {
        const ssize_t needed = lgetxattr(url.c_str(), tagsAttribute, nullptr, 0);
        if (needed <= 0)
            break;
        large.resize(needed);
        const ssize_t got = lgetxattr(url.c_str(), tagsAttribute, large.data(), size_t(needed));
        if (got >= 0)
            return tagsFromAttribute(QByteArrayView(large.constData(), got));
    }
    return {};
}

} // namespace

QStringList tagsFromAttribute(QByteArrayView value)
{
    QStringList tags;
    for (const auto& part : QByteArray::fromRawData(value.data(), value.size()).split(',')) {
        if (!part.isEmpty())
            tags.append(QString::fromUtf8(part));
    }
    return tags;
}

QString lastComponentName(const std::filesystem::path& path)
{
    const std::string& text = path.native();
    const auto end = text.find_last_not_of('/');
    if (end == std::string::npos)
        return text.empty() ? QString() : QStringLiteral("/");
    const auto slash = text.rfind('/', end);
    const auto begin = slash == std::string::npos ? 0 : slash + 1;
    return QString::fromUtf8(QByteArrayView(text.data() + begin, qsizetype(end + 1 - begin)));
}

std::filesystem::path childPath(const std::filesystem::path& folder, const char* name)
{
    const std::string& base = folder.native();
    const size_t length = std::strlen(name);
    std::string text;
    text.reserve(base.size() + 1 + length);
    text += base;
    if (!base.empty() && base.back() != '/')
        text += '/';
    text.append(name, length);
    return std::filesystem::path(std::move(text));
}

FileItem readItem(int directoryFd, const char* name, std::filesystem::path url, ResourceKeys keys)
{
    struct statx attributes;
    // AT_NO_AUTOMOUNT: listing a folder of automount points must not mount them all.
    constexpr int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT;
    constexpr unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME;
    if (statx(directoryFd, name, flags, mask, &attributes) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), url);

    const bool isLink = S_ISLNK(attributes.stx_mode);
    const bool isFolder = S_ISDIR(attributes.stx_mode);
    FileItem item;
    item.name = lastComponentName(url);
    item.isDirectory = keys.testFlag(ResourceKey::isDirectory) && isFolder;
    item.isSymbolicLink = keys.testFlag(ResourceKey::isSymbolicLink) && isLink;
    item.isHidden = item.name.startsWith(QLatin1Char('.'));
    // A folder's size is its own bookkeeping, not content: report none, as for any folder.
    if (keys.testFlag(ResourceKey::fileSize) && !isFolder)
        item.size = qint64(attributes.stx_size);
    if (keys.testFlag(ResourceKey::contentModificationDate) && (attributes.stx_mask & STATX_MTIME))
        item.modified = dateOf(attributes.stx_mtime);
    if (keys.testFlag(ResourceKey::creationDate) && (attributes.stx_mask & STATX_BTIME))
        item.created = dateOf(attributes.stx_btime);
    if (attributes.stx_mask & STATX_MODE)
        item.permissions = int(attributes.stx_mode & 07777);
    // User attributes exist on files and folders only; asking a link or a device costs a call.
    if (keys.testFlag(ResourceKey::tagNames) && (isFolder || S_ISREG(attributes.stx_mode)))
        item.tags = readTags(url);
    item.url = std::move(url);
    return item;
}

} // namespace bramblet
