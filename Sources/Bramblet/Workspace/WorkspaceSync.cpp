#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/SyncPlanProgress.h"
#include "Bramblet/Workspace/SyncReview.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Sync/SyncService.h"

namespace bramblet {

namespace {

QString arrowed(const QString& source, const QString& destination)
{
    return source + QStringLiteral(" \u2192 ") + destination;
}

// The answer of a saved list's picker: the action hands the chosen record to `use`; Delete removes
// it at once, without asking, and stores the list.
template <class Record, class Use>
auto savedListAnswer(QPointer<WorkspaceController> self, QList<Record> WorkspaceController::*list,
                     void (WorkspaceController::*store)(), Use use)
{
    return [self, list, store, use](int index, bool secondary) {
        if (!self)
            return;
        QList<Record>& records = self.data()->*list;
        if (index < 0 || index >= records.size())
            return;
        if (secondary) {
            records.removeAt(index);
            (self.data()->*store)();
            return;
        }
        use(*self, Record(records[index]));
    };
}

} // namespace

void WorkspaceController::compareAndSync()
{
    const PaneController* other = m_activeIndex == 0 ? m_right : m_left;
    planSync(pathFromString(activeTabPath()), pathFromString(other->activeTab().path));
}

void WorkspaceController::planSync(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    auto progress = std::make_shared<SyncProgress>();
    auto* waiting = new SyncPlanProgress(m_syncService->plan(source, destination, progress), progress, m_window, this);
    m_syncProgress = waiting;
    QPointer<WorkspaceController> self(this);
    connect(waiting, &SyncPlanProgress::finished, this, [self](const QFuture<SyncPlan>& future, bool cancelled) {
        if (!self || cancelled)
            return;
        if (const auto failure = failureOf(future)) {
            try {
                std::rethrow_exception(failure);
            } catch (const FileFailure& error) {
                self->showError(error.errorDescription());
            } catch (const std::exception& error) {
                self->showError(QString::fromUtf8(error.what()));
            }
        } else if (hasResult(future)) {
            self->presentSyncPlan(future.result());
        }
    });
}

SyncPlanProgress* WorkspaceController::syncProgress() const
{
    return m_syncProgress;
}

void WorkspaceController::presentSyncPlan(const SyncPlan& plan)
{
    if (!m_window)
        return;
    if (plan.addedCount() == 0 && plan.changedCount() == 0) {
        showError(SyncReview::nothingToCopy(plan.missingCount()));
        return;
    }
    const SyncReview review = SyncReview::of(plan);
    DialogRequest request;
    request.message = QStringLiteral("Review Sync Plan");
    request.informativeText = review.informativeText;
    request.buttons = { QStringLiteral("Start Sync"), QStringLiteral("Cancel") };
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(m_window, request, [self, requests = review.requests](const DialogAnswer& answer) {
        if (self && answer.button == 0 && !requests.isEmpty())
            self->enqueue(requests);
    });
}

void WorkspaceController::saveSyncConfig()
{
    const PaneController* other = m_activeIndex == 0 ? m_right : m_left;
    const QString source = activeTabPath();
    const QString destination = other->activeTab().path;
    QPointer<WorkspaceController> self(this);
    askText(QStringLiteral("Save Sync Configuration"),
            QStringLiteral("Name this folder pair.\n") + arrowed(source, destination),
            QStringLiteral("Sync %1").arg(m_syncConfigs.size() + 1), [self, source, destination](const QString& name) {
                if (!self)
                    return;
                self->m_syncConfigs.append({ name, source, destination });
                self->saveSyncConfigs();
            });
}

void WorkspaceController::runSyncConfig()
{
    if (m_syncConfigs.isEmpty()) {
        showError(QStringLiteral("No saved sync configurations yet. Use Save Sync Configuration\u2026 first."));
        return;
    }
    QStringList items;
    for (const auto& config : std::as_const(m_syncConfigs))
        items.append(config.name + QStringLiteral(" \u2014 ") + arrowed(config.source, config.destination));
    presentPicker(QStringLiteral("Run Saved Sync"), items, QStringLiteral("Run"), QStringLiteral("Delete"),
                  savedListAnswer(this, &WorkspaceController::m_syncConfigs, &WorkspaceController::saveSyncConfigs,
                                  [](WorkspaceController& workspace, const SyncConfig& config) {
                                      workspace.planSync(pathFromString(config.source),
                                                         pathFromString(config.destination));
                                  }));
}

void WorkspaceController::saveWorkspace()
{
    m_left->saveScroll();
    m_right->saveScroll();
    QPointer<WorkspaceController> self(this);
    askText(QStringLiteral("Save Workspace"), QStringLiteral("Name this layout of tabs and folders."),
            QStringLiteral("Workspace %1").arg(m_workspaces.size() + 1), [self](const QString& name) {
                if (!self)
                    return;
                SavedWorkspace workspace;
                workspace.name = name;
                workspace.left = self->m_left->tabs();
                workspace.right = self->m_right->tabs();
                workspace.leftIndex = self->m_left->activeTabIndex();
                workspace.rightIndex = self->m_right->activeTabIndex();
                workspace.active = self->m_activeIndex;
                self->m_workspaces.append(workspace);
                self->saveWorkspaces();
            });
}

void WorkspaceController::loadWorkspace()
{
    if (m_workspaces.isEmpty()) {
        showError(QStringLiteral("No saved workspaces yet. Use Save Workspace\u2026 first."));
        return;
    }
    QStringList names;
    for (const auto& workspace : std::as_const(m_workspaces))
        names.append(workspace.name);
    presentPicker(QStringLiteral("Load Workspace"), names, QStringLiteral("Load"), QStringLiteral("Delete"),
                  savedListAnswer(this, &WorkspaceController::m_workspaces, &WorkspaceController::saveWorkspaces,
                                  [](WorkspaceController& workspace, const SavedWorkspace& saved) {
                                      // A pane is never without a tab: an empty saved side keeps what it shows.
                                      workspace.m_left->setTabs(saved.left, saved.leftIndex);
                                      workspace.m_right->setTabs(saved.right, saved.rightIndex);
                                      workspace.m_left->refresh();
                                      workspace.m_right->refresh();
                                      workspace.activatePane(saved.active == 1 ? 1 : 0);
                                  }));
}

} // namespace bramblet
