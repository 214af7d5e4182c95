#pragma once

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/FilenameFilter.h"

#include <QList>

#include <filesystem>

namespace bramblet {

// Walks the tree below `root` depth first (a folder's entries right after the folder), never
// through a symbolic link, and returns the entries whose names pass `filter`, in the order the
// file system gives them. Hidden entries are neither returned nor entered unless `showHidden`.
// A root that cannot be opened fails with the system's error; folders below it that cannot be
// read are passed over and entries that vanish are left out. Checks `cancellation` before each
// entry and throws FileFailure(cancelled). Holds one open folder per level besides the results.
QList<FileItem> walkFolder(const std::filesystem::path& root, const FilenameFilter& filter, bool showHidden,
                           const Cancellation& cancellation);

} // namespace bramblet
