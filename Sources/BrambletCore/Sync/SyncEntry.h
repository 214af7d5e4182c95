#pragma once

#include "BrambletCore/Sync/SyncKind.h"

#include <QString>

#include <filesystem>

namespace bramblet {

// One relative path of a sync plan.
struct SyncEntry {
    QString relativePath;              // below the roots, no leading or trailing "/" (docs/a.txt)
    std::filesystem::path source;      // the source root with relativePath appended
    std::filesystem::path destination; // the destination root with relativePath appended
    SyncKind kind = SyncKind::matching;
    bool isDirectory = false;          // the source item is a folder (not a link to one); false without one
    qint64 size = 0;                   // the source item's size; 0 for folders and without a source item
    // The destination item is a folder (not a link to one). A changed entry whose source is a
    // file but whose destination is a folder would replace everything inside that folder.
    bool destinationIsDirectory = false;

    bool operator==(const SyncEntry&) const = default;
};

} // namespace bramblet
