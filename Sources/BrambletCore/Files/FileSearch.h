#pragma once

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Files/NameIndex.h"
#include "BrambletCore/Models/FileItem.h"

#include <QList>
#include <QString>

#include <filesystem>

namespace bramblet {

// The work of FileService::search(), on the calling thread: the entries anywhere below `root`
// whose names pass FilenameFilter(query). The index answers first; where it cannot, or finds
// nothing usable below the root, the folder is walked instead (walkFolder()).
//
// Index results are kept only below the root, with names that pass the filter, and (unless
// `showHidden`) with no hidden name on their way down from the root, which is what the walk
// would find: the index also covers hidden folders, which the walk never enters. Entries the
// index still names but that are gone are left out. A root that is not a folder fails with the
// system's error. Cancellation is checked once the tool has ended and before each entry of the
// walk, and throws FileFailure(cancelled).
QList<FileItem> searchFolder(const NameIndex& index, const std::filesystem::path& root, const QString& query,
                             bool showHidden, const Cancellation& cancellation);

} // namespace bramblet
