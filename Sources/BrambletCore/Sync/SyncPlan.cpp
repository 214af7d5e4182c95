#include "BrambletCore/Sync/SyncPlan.h"

#include <algorithm>

namespace bramblet {

QList<SyncEntry> SyncPlan::actionable() const
{
    QList<SyncEntry> result;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(result), [](const SyncEntry& entry) {
        return entry.kind == SyncKind::added || entry.kind == SyncKind::changed;
    });
    return result;
}

qsizetype SyncPlan::addedCount() const { return count(SyncKind::added); }
qsizetype SyncPlan::changedCount() const { return count(SyncKind::changed); }
qsizetype SyncPlan::missingCount() const { return count(SyncKind::missing); }
qsizetype SyncPlan::matchingCount() const { return count(SyncKind::matching); }

qsizetype SyncPlan::count(SyncKind kind) const
{
    return std::count_if(entries.begin(), entries.end(), [kind](const SyncEntry& entry) { return entry.kind == kind; });
}

} // namespace bramblet
