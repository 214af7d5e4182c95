#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace bramblet {

// One row of the sidebar's outline: a section header ("Favorites", "Locations") or a folder row
// inside one. Rows are told apart by identity; every rebuild makes new entries.
struct SidebarEntry {
    QString title;
    // Place name for Theme::symbol(): "Home", "Folder", "Download" or "Disk".
    QString icon;
    // The folder; none for a section header.
    std::optional<QString> path;
    // Only the user's own favourite folders, which the context menu can move or remove.
    bool favorite = false;
    // The rows of a section; empty for a folder row.
    std::vector<std::unique_ptr<SidebarEntry>> children;
};

} // namespace bramblet
