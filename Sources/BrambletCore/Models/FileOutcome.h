#pragma once

#include <filesystem>

namespace bramblet {

// The result of a request that did not fail.
struct FileOutcome {
    enum class Kind {
        completed, // done; carries the final destination (trash: the source)
        skipped,   // the destination existed and the policy was skip; carries the destination
        conflict,  // the destination exists and needs a decision; carries it
    };

    Kind kind = Kind::completed;
    std::filesystem::path url;

    static FileOutcome completed(std::filesystem::path url) { return { Kind::completed, std::move(url) }; }
    static FileOutcome skipped(std::filesystem::path url) { return { Kind::skipped, std::move(url) }; }
    static FileOutcome conflict(std::filesystem::path url) { return { Kind::conflict, std::move(url) }; }

    bool operator==(const FileOutcome&) const = default;
};

} // namespace bramblet
