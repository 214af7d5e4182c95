#pragma once

#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/SavedWorkspace.h"
#include "Bramblet/Workspace/SyncConfig.h"
#include "BrambletCore/Models/ActivityRecord.h"

#include <QList>
#include <QSet>

#include <optional>

namespace bramblet {

class WorkspaceDefaults;

// What a normal start takes over from the last run, read key by key; a key whose value is missing
// or unreadable contributes nothing and says nothing.
struct RestoredState {
    // The window state, only when it decoded and both sides have at least one tab; already made
    // safe to apply: tab indexes clamped to their lists, favourites without the sidebar's built-in
    // places, the active side 0 or 1. Widths are as stored (the layout uses exactly four).
    std::optional<SavedState> window;
    // The activity log's last records (as many as it keeps when written) in stored order; a
    // request that was queued or running when the last run ended comes back cancelled.
    QList<ActivityRecord> records;
    QList<SavedWorkspace> workspaces;
    QList<SyncConfig> syncConfigs;

    static RestoredState read(const WorkspaceDefaults& defaults, const QSet<QString>& builtInPlaces);
};

// The message of a request the last run left unfinished.
inline const QString interruptedMessage =
    QStringLiteral("Interrupted by application exit. Review the destination before retrying.");

} // namespace bramblet
