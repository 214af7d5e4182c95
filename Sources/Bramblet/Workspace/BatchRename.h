#pragma once

#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/FileRequest.h"

#include <QList>
#include <QString>

#include <optional>

namespace bramblet {

// What Batch Rename does with a selection: one rename request (conflict policy ask) per item
// whose name changes, in the order of `items`, or the reason nothing is done.
struct BatchRenamePlan {
    QList<FileRequest> requests;
    // The invalid-name text of the first new name that is no valid file name, or "No selected
    // names changed." when no name changes; requests is empty then.
    std::optional<QString> failure;
};

// Every occurrence of `find` (literal, case-sensitive, left to right, not overlapping) in each
// item's whole name, extension included, replaced by `replacement`. An empty `find` changes nothing.
BatchRenamePlan planBatchRename(const QList<FileItem>& items, const QString& find, const QString& replacement);

} // namespace bramblet
