#pragma once

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Sync/SyncPlan.h"
#include "BrambletCore/Sync/SyncProgress.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace bramblet {

// Compares a source tree with a destination tree for SyncService, on its executor. Both trees
// are walked side by side one folder at a time; each folder's names are sorted once, so the plan
// comes out in order without sorting every path. Items are read with lstat: symbolic links are
// compared as links and never followed. Nothing is written.
class SyncPlanner {
public:
    // Both roots standardised and different. `cancellation` is asked before each folder is
    // listed; `progress` (optional) counts the listed items. Both outlive the planner.
    SyncPlanner(std::filesystem::path sourceRoot, std::filesystem::path destinationRoot,
                const Cancellation& cancellation, SyncProgress* progress = nullptr);

    // Throws FileFailure::system when a folder anywhere in either tree cannot be listed or an
    // item's attributes cannot be read: a partial plan would look like a smaller tree. Throws
    // FileFailure cancelled once the caller has cancelled.
    SyncPlan plan();

    // What a comparison needs of one item.
    struct Snapshot {
        bool isDirectory = false;
        qint64 size = 0; // 0 for folders: their reported size is a block count, not content
        timespec modified {};
    };

    // One entry of a folder listing.
    struct Listed {
        std::string name;
        Snapshot snapshot;
    };

    // One name of a folder level, with the item on each side that has it.
    struct Child {
        std::string name;
        std::optional<Snapshot> source;
        std::optional<Snapshot> destination;
    };

private:
    // `folder` is "" for the roots or a relative path ending in "/".
    void compareFolder(const std::string& folder, bool inSource, bool inDestination);
    void addEntry(const std::string& folder, const Child& child);
    void descend(const std::string& folder, const Child& child);
    // One folder's entries, after the cancellation check; counted in the progress.
    std::vector<Listed> list(const std::string& folderPath, bool isRoot);
    void walkUnlisted(const std::string& folderPath);

    SyncPlan m_plan;
    std::string m_sourcePrefix;      // the source root ending in "/"
    std::string m_destinationPrefix; // the destination root ending in "/"
    const Cancellation& m_cancellation;
    SyncProgress* m_progress;
};

} // namespace bramblet
