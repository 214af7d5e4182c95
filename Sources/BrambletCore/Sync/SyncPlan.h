#pragma once

#include "BrambletCore/Sync/SyncEntry.h"

#include <QList>

#include <filesystem>

namespace bramblet {

// The comparison of a source tree with a destination tree. A sync copies the actionable entries
// (added and changed) and never touches the missing ones.
//
// Entries are in ascending byte order of their paths (not locale-aware). A folder on both sides
// is matching, its contents listed below it; an added folder is listed once, without its
// contents, because copying it copies them. The same holds for a source folder that replaces a
// destination file (changed).
struct SyncPlan {
    std::filesystem::path sourceRoot;      // standardised
    std::filesystem::path destinationRoot; // standardised
    QList<SyncEntry> entries;

    // The added and changed entries, in plan order.
    QList<SyncEntry> actionable() const;
    qsizetype addedCount() const;
    qsizetype changedCount() const;
    qsizetype missingCount() const;
    qsizetype matchingCount() const;

    bool operator==(const SyncPlan&) const = default;

private:
    qsizetype count(SyncKind kind) const;
};

} // namespace bramblet
