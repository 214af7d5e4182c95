#include "Bramblet/Workspace/RestoredState.h"

#include "Bramblet/Workspace/OperationsWindow.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QJsonDocument>

#include <algorithm>

namespace bramblet {

namespace {

std::optional<SavedState> readWindow(const WorkspaceDefaults& defaults, const QSet<QString>& builtInPlaces)
{
    const auto data = defaults.data(WorkspaceDefaults::workspaceKey);
    if (!data)
        return std::nullopt;
    std::optional<SavedState> state;
    try {
        const auto document = QJsonDocument::fromJson(*data);
        if (!document.isObject())
            return std::nullopt;
        state = SavedState::fromJson(document.object());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (state->left.isEmpty() || state->right.isEmpty())
        return std::nullopt;
    state->leftIndex = std::clamp(state->leftIndex, 0, int(state->left.size()) - 1);
    state->rightIndex = std::clamp(state->rightIndex, 0, int(state->right.size()) - 1);
    state->favorites.removeIf([&](const QString& path) { return builtInPlaces.contains(path); });
    state->active = state->active == 1 ? 1 : 0;
    return state;
}

template <class Record>
QList<Record> readList(const WorkspaceDefaults& defaults, const QString& key,
                       std::optional<qsizetype> last = std::nullopt)
{
    const auto data = defaults.data(key);
    if (!data)
        return {};
    return decodeList<Record>(*data, last).value_or(QList<Record> {});
}

} // namespace

RestoredState RestoredState::read(const WorkspaceDefaults& defaults, const QSet<QString>& builtInPlaces)
{
    RestoredState restored;
    restored.window = readWindow(defaults, builtInPlaces);
    // The log keeps its last records when read as when written, whatever another writer stored.
    restored.records = readList<ActivityRecord>(defaults, WorkspaceDefaults::activitiesKey, OperationsWindow::shownRecords);
    for (auto& record : restored.records) {
        if (record.status == ActivityRecord::Status::queued || record.status == ActivityRecord::Status::running) {
            record.status = ActivityRecord::Status::cancelled;
            record.message = interruptedMessage;
        }
    }
    restored.workspaces = readList<SavedWorkspace>(defaults, WorkspaceDefaults::workspacesKey);
    restored.syncConfigs = readList<SyncConfig>(defaults, WorkspaceDefaults::syncConfigsKey);
    return restored;
}

} // namespace bramblet
