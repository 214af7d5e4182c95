#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

namespace bramblet {

// The system's file-name index, asked through its command-line tool.
struct NameIndex {
    std::filesystem::path tool = "/usr/bin/plocate";
    // The tool's own default database when absent.
    std::optional<std::filesystem::path> database;

    // Asks for every indexed entry whose name contains `term`, ignoring letter case, and hands
    // each path to `found` as the tool writes it (so only what `found` keeps stays in memory).
    // `term` reaches the tool as one literal argument: never an option, never a pattern.
    // Returns false when the index gave no answer: the tool is missing or cannot start, or it
    // failed (no database, nothing found). Waits for the tool to end.
    bool find(const QString& term, const std::function<void(std::filesystem::path&&)>& found) const;
};

} // namespace bramblet
