#include "BrambletCore/Files/FileService.h"

#include "BrambletCore/Files/FileSearch.h"
#include "BrambletCore/Files/FolderListing.h"
#include "BrambletCore/Files/ItemAttributes.h"
#include "BrambletCore/Operations/FileNames.h"
#include "BrambletCore/Operations/RequestExecutor.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "BrambletCore/Operations/Trash.h"

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

QFuture<QList<FileItem>> FileService::search(const std::filesystem::path& root, const QString& query,
                                             bool showHidden)
{
    return m_executor.run([index = m_nameIndex, root, query, showHidden](const Cancellation& cancellation) {
        return searchFolder(index, root, query, showHidden, cancellation);
    });
}

FileItem FileService::itemAt(const std::filesystem::path& url, ResourceKeys keys) const
{
    return readItem(AT_FDCWD, url.c_str(), url, keys);
}

QFuture<FileOutcome> FileService::execute(const FileRequest& request)
{
    return m_executor.run(
        [request](const Cancellation& cancellation) { return RequestExecutor().execute(request, cancellation); });
}

QFuture<void> FileService::sweepLeftovers()
{
    return m_executor.run([](const Cancellation&) {
        // Staging folders first: a displaced item they hold goes on to the Trash with a record of
        // its own, and the one its killed request wrote is then an orphan like any other.
        StagingFolder::sweepRecorded();
        removeIncompleteTrashRecords();
    });
}

void FileService::validateName(const QString& name)
{
    bramblet::validateName(name);
}

} // namespace bramblet
