#include "BrambletCore/Files/FileService.h"

#include "BrambletCore/Files/FolderListing.h"
#include "BrambletCore/Files/ItemAttributes.h"

#include <fcntl.h>

namespace bramblet {

FileService::FileService()
    : FileService(NameIndex())
{
}

FileService::FileService(NameIndex index)
    : m_nameIndex(std::move(index))
{
}

FileService::~FileService() = default;

QFuture<QList<FileItem>> FileService::list(const std::filesystem::path& folder)
{
    return m_executor.run([folder](const Cancellation&) { return listFolder(folder); });
}

FileItem FileService::itemAt(const std::filesystem::path& url, ResourceKeys keys) const
{
    return readItem(AT_FDCWD, url.c_str(), url, keys);
}

} // namespace bramblet
