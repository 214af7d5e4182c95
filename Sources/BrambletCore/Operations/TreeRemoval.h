#pragma once

#include <string>
#include <vector>

namespace bramblet {

// An item a removal could not remove, by its path relative to the removed root ("" for the root
// itself), with the system's reason (an errno value).
struct RemovalFailure {
    std::string relative;
    int error = 0;

    bool operator==(const RemovalFailure&) const = default;
};

// Removes the entry `name` of the open folder `parent`, with everything in it, relative to open
// folder descriptors all the way down, so no path length limit applies. It goes on past what
// cannot be removed and removes all it can. A folder of ours that its owner may not change (a
// read-only folder, as a copy of one is) is opened for the owner while it is emptied, and gets its
// permissions back if it stays. Returns what stayed for a reason of its own; a folder that stayed
// only because something in it did is not listed.
std::vector<RemovalFailure> removeTree(int parent, const std::string& name);

} // namespace bramblet
