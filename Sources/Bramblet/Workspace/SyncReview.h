#pragma once

#include "BrambletCore/Models/FileRequest.h"
#include "BrambletCore/Sync/SyncPlan.h"

#include <QList>
#include <QString>

namespace bramblet {

// What the review of a sync plan tells the user, and what Start Sync then queues.
//
// A sync copies every added and changed entry with the conflict policy replace, which sends the
// destination item to the Trash once its copy is verified. For a file that replaces a folder that
// would throw away the folder's whole contents, items only the destination holds included, while
// the review promises those are kept; such entries are therefore skipped and listed as skipped.
struct SyncReview {
    // The alert's informative text: the counts, the first 12 actionable entries, how many more,
    // the skipped entries with the reason, and the promise about destination-only items.
    QString informativeText;
    // One copy per actionable entry that is not skipped, folders first, otherwise in plan order.
    QList<FileRequest> requests;
    // The actionable entries left out, in plan order.
    QList<SyncEntry> skipped;

    static SyncReview of(const SyncPlan& plan);

    // The error text of a plan without additions or changes.
    static QString nothingToCopy(qsizetype missingCount);

    // Whether copying `entry` would replace a destination folder with a file.
    static bool replacesFolderWithFile(const SyncEntry& entry);
};

} // namespace bramblet
