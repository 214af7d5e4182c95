#pragma once

#include <filesystem>
#include <optional>

namespace bramblet {

// The system's file-name index, searched through its command-line tool.
struct NameIndex {
    std::filesystem::path tool = "/usr/bin/plocate";
    // The tool's own default database when absent.
    std::optional<std::filesystem::path> database;
};

} // namespace bramblet
