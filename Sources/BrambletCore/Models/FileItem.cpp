#include "BrambletCore/Models/FileItem.h"

#include <QFile>
#include <QHashFunctions>

#include <limits>

namespace bramblet {

QString pathString(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path pathFromString(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FileItem::id() const
{
    return pathString(url);
}

QString FileItem::kind() const
{
    if (isSymbolicLink)
        return QStringLiteral("Symbolic link");
    if (isDirectory)
        return QStringLiteral("Folder");
    // std::filesystem gives ".profile" no extension and "archive.tar.gz" the last one only.
    const auto extension = pathString(url.extension());
    if (extension.size() <= 1)
        return QStringLiteral("Document");
    return extension.mid(1).toUpper() + QStringLiteral(" document");
}

size_t qHash(const FileItem& item, size_t seed)
{
    const auto dateKey = [](const std::optional<Date>& date) -> qint64 {
        return date ? date->time_since_epoch().count() : std::numeric_limits<qint64>::min();
    };
    return qHashMulti(seed, QByteArray::fromStdString(item.url.native()), item.name, item.isDirectory,
                      item.isSymbolicLink, item.isHidden, item.size, dateKey(item.modified), dateKey(item.created),
                      item.permissions.value_or(-1), item.tags);
}

} // namespace bramblet
