#pragma once

#include "BrambletCore/Sync/SyncPlan.h"

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
    // Both roots standardised and different.
    SyncPlanner(std::filesystem::path sourceRoot, std::filesystem::path destinationRoot);

    // Throws FileFailure::system when a folder anywhere in either tree cannot be listed or an
    // item's attributes cannot be read: a partial plan would look like a smaller tree.
    SyncPlan plan();

    // What a comparison needs of one item.
    struct Snapshot {
        bool isDirectory = false;
        qint64 size = 0; // 0 for folders: their reported size is a block count, not content
        timespec modified {};
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

    SyncPlan m_plan;
    std::string m_sourcePrefix;      // the source root ending in "/"
    std::string m_destinationPrefix; // the destination root ending in "/"
};

} // namespace bramblet
