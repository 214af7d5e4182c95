#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Sidebar/SidebarController.h"
#include "Bramblet/Workspace/RestoredState.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceSplitter.h"

#include <QJsonDocument>
#include <QLoggingCategory>

namespace bramblet {

namespace {

Q_LOGGING_CATEGORY(workspaceLog, "bramblet.workspace")

template <class Record>
void writeList(WorkspaceDefaults& defaults, const QString& key, const QList<Record>& records)
{
    QByteArray json;
    try {
        json = encodeList(records);
    } catch (const std::exception&) {
        return; // a list that cannot be encoded is dropped silently; the stored one stays
    }
    defaults.replaceKeepingUnreadable(key, json,
                                      [](const QByteArray& stored) { return decodeList<Record>(stored).has_value(); });
}

} // namespace

void WorkspaceController::restore()
{
    auto restored = RestoredState::read(m_defaults, SidebarController::standardLocationPaths());
    if (const auto& window = restored.window) {
        m_left->setTabs(window->left, window->leftIndex);
        m_right->setTabs(window->right, window->rightIndex);
        m_favorites = window->favorites;
        m_activeIndex = window->active;
        m_restoredWidths = window->widths;
    }
    m_records = std::move(restored.records);
    m_workspaces = std::move(restored.workspaces);
    m_syncConfigs = std::move(restored.syncConfigs);
}

void WorkspaceController::save()
{
    if (m_transient)
        return;
    m_left->saveScroll();
    m_right->saveScroll();
    SavedState state;
    state.left = tabsToKeep(m_left->tabs());
    state.right = tabsToKeep(m_right->tabs());
    state.leftIndex = m_left->activeTabIndex();
    state.rightIndex = m_right->activeTabIndex();
    state.favorites = m_favorites;
    for (int index = 0; index < m_split->count(); ++index)
        state.widths.append(m_split->widget(index)->width());
    state.active = m_activeIndex;
    QByteArray json;
    try {
        json = QJsonDocument(state.toJson()).toJson(QJsonDocument::Compact);
    } catch (const std::exception& error) {
        qCWarning(workspaceLog, "Workspace could not be saved: %s", error.what());
        return;
    }
    // A stored state this version could not read, favourites and all, is kept aside as the other
    // keys' values are.
    m_defaults.replaceKeepingUnreadable(WorkspaceDefaults::workspaceKey, json, [](const QByteArray& stored) {
        const auto document = QJsonDocument::fromJson(stored);
        if (!document.isObject())
            return false;
        try {
            SavedState::fromJson(document.object());
        } catch (const std::exception&) {
            return false;
        }
        return true;
    });
}

QList<TabSnapshot> WorkspaceController::tabsToKeep(const QList<TabSnapshot>& tabs) const
{
    if (m_archiveSources.isEmpty())
        return tabs;
    const auto outsideArchives = [this](const QString& place) {
        for (auto source = m_archiveSources.cbegin(); source != m_archiveSources.cend(); ++source) {
            if (place == source.key() || place.startsWith(source.key() + u'/'))
                return pathString(source.value().parent_path());
        }
        return place;
    };
    QList<TabSnapshot> kept = tabs;
    for (TabSnapshot& tab : kept) {
        const QString place = outsideArchives(tab.path);
        if (place != tab.path) {
            // Selection and scroll belonged to the extraction's rows.
            tab.path = place;
            tab.selectedPaths.clear();
            tab.scroll = 0;
        }
        for (QString& visited : tab.history)
            visited = outsideArchives(visited);
    }
    return kept;
}

void WorkspaceController::saveWorkspaces()
{
    if (!m_transient)
        writeList(m_defaults, WorkspaceDefaults::workspacesKey, m_workspaces);
}

void WorkspaceController::saveSyncConfigs()
{
    if (!m_transient)
        writeList(m_defaults, WorkspaceDefaults::syncConfigsKey, m_syncConfigs);
}

} // namespace bramblet
