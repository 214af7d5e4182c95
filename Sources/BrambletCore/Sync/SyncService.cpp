#include "BrambletCore/Sync/SyncService.h"

#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Sync/SyncPlanner.h"

namespace bramblet {

namespace {

std::filesystem::path standardized(const std::filesystem::path& url)
{
    auto path = url.lexically_normal();
    // "/a/b/" has an empty last component; the file-system root keeps its one slash.
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

} // namespace

QFuture<SyncPlan> SyncService::plan(const std::filesystem::path& source, const std::filesystem::path& destination,
                                     std::shared_ptr<SyncProgress> progress)
{
    return m_executor.run([source, destination, progress = std::move(progress)](const Cancellation& cancellation) {
        auto sourceRoot = standardized(source);
        auto destinationRoot = standardized(destination);
        if (sourceRoot == destinationRoot)
            throw FileFailure(FileFailure::Kind::sameLocation);
        return SyncPlanner(std::move(sourceRoot), std::move(destinationRoot), cancellation, progress.get()).plan();
    });
}

} // namespace bramblet
