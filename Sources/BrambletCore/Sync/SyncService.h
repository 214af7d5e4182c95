#pragma once

#include "BrambletCore/Concurrency/SerialExecutor.h"
#include "BrambletCore/Sync/SyncPlan.h"
#include "BrambletCore/Sync/SyncProgress.h"

#include <QFuture>

#include <filesystem>
#include <memory>

namespace bramblet {

// Compares two folder trees into a SyncPlan. An actor: plans run one at a time on its own
// executor, away from the main thread. It only reads and keeps nothing between plans.
class SyncService {
public:
    SyncService() = default;

    // The plan of `source` against `destination`, both standardised first (lexically: "." and
    // ".." resolved, no trailing "/"). Fails with FileFailure sameLocation when the two are one
    // folder, and with FileFailure::system when a folder or item of either tree cannot be read.
    // Cancelling the future stops the walk at the next folder; `progress`, when given, counts
    // the items listed so far.
    QFuture<SyncPlan> plan(const std::filesystem::path& source, const std::filesystem::path& destination,
                           std::shared_ptr<SyncProgress> progress = {});

private:
    SerialExecutor m_executor;
};

} // namespace bramblet
