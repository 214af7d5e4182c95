#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/OperationsWindow.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Models/FileFailure.h"

#include <QLocale>
#include <QPushButton>
#include <QTimer>

namespace bramblet {

namespace {

QString pathText(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// A name in an alert's one-line message: long ones lose their middle, the paths below show them whole.
QString shownName(const std::filesystem::path& path)
{
    return DisplayText::middleElided(DisplayText::visibleName(QString::fromStdString(path.filename().string())), 60);
}

// What the user reads of a failed request: the failure's own sentence.
QString failureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("The operation failed for an unknown reason.");
    }
}

} // namespace

void WorkspaceController::enqueue(const QList<FileRequest>& requests)
{
    for (const auto& request : requests) {
        ActivityRecord record(request.action, pathText(request.source), pathText(request.destination));
        m_pending.append({ record.id(), request });
        m_records.append(std::move(record));
    }
    renderActivities();
    if (m_processing)
        return; // the running task takes the new requests in turn
    m_processing = true;
    // Started from the event loop, so that enqueue() returns before any work begins.
    QTimer::singleShot(0, this, &WorkspaceController::processQueue);
}

void WorkspaceController::processQueue()
{
    if (m_pending.isEmpty()) {
        stopProcessing();
        return;
    }
    const auto [id, request] = m_pending.takeFirst();
    updateRecord(id, ActivityRecord::Status::running, QStringLiteral("Processing; cancellation stops pending items"));
    execute(id, request, false);
}

void WorkspaceController::execute(const QUuid& id, const FileRequest& request, bool answered)
{
    // With the controller as context: a controller that is gone hears nothing more.
    whenFinished(m_fileService->execute(request), this, [this, id, request, answered](const QFuture<FileOutcome>& done) {
        const auto failure = failureOf(done);
        if (!failure && hasResult(done)) {
            finishOutcome(id, request, done.result(), answered);
            return;
        }
        // Nothing here cancels the service's futures; one that ends without a result failed.
        updateRecord(id, ActivityRecord::Status::failed,
                     failure ? failureText(failure) : FileFailure(FileFailure::Kind::cancelled).errorDescription());
        processQueue();
    });
}

void WorkspaceController::finishOutcome(const QUuid& id, const FileRequest& request, const FileOutcome& outcome,
                                        bool answered)
{
    switch (outcome.kind) {
    case FileOutcome::Kind::completed:
        updateRecord(id, ActivityRecord::Status::completed, pathText(outcome.url));
        selectProduced(request, outcome.url);
        break;
    case FileOutcome::Kind::skipped:
        updateRecord(id, ActivityRecord::Status::skipped, pathText(outcome.url));
        break;
    case FileOutcome::Kind::conflict:
        if (request.action == FileAction::createFolder) {
            updateRecord(id, ActivityRecord::Status::failed,
                         QStringLiteral("An item with this name already exists. Choose another name."));
        } else if (answered) {
            updateRecord(id, ActivityRecord::Status::failed,
                         QStringLiteral("The destination changed. Retry to review the conflict."));
        } else {
            resolveConflict(request.source, outcome.url, [this, id, request](std::optional<ConflictPolicy> policy) {
                if (!policy) {
                    updateRecord(id, ActivityRecord::Status::cancelled,
                                 QStringLiteral("Cancelled without changing this item"));
                    cancelPending(QStringLiteral("Cancelled by user"));
                    stopProcessing();
                    return;
                }
                auto again = request;
                again.conflict = *policy;
                execute(id, again, true);
            });
            return;
        }
        break;
    }
    processQueue();
}

void WorkspaceController::selectProduced(const FileRequest& request, const std::filesystem::path& produced)
{
    // The panes know the item by the folder path the user chose, which the outcome has resolved;
    // its name may have been numbered to keep both.
    const std::filesystem::path shown = request.destination.parent_path() / produced.filename();
    if (request.action == FileAction::rename) {
        for (PaneController* pane : { m_left, m_right })
            pane->itemRenamed(request.source, shown);
    } else if (request.action == FileAction::createFolder) {
        activePane()->itemCreated(shown);
    }
}

void WorkspaceController::resolveConflict(const std::filesystem::path& source, const std::filesystem::path& destination,
                                          std::function<void(std::optional<ConflictPolicy>)> answer)
{
    if (!m_window) {
        answer(std::nullopt);
        return;
    }
    DialogRequest request;
    request.message = QStringLiteral("An item named \u201c%1\u201d already exists.").arg(shownName(destination));
    request.informativeText =
        QStringLiteral("Source: %1\nDestination: %2\n\nReplace moves the existing destination to Trash after the new "
                       "copy is verified.")
            .arg(pathText(source), pathText(destination));
    request.buttons = { QStringLiteral("Keep Both (_02)"), QStringLiteral("Skip"), QStringLiteral("Replace"),
                        QStringLiteral("Cancel Operation") };
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(m_window, request, [self, answer = std::move(answer)](const DialogAnswer& reply) {
        if (!self)
            return;
        switch (reply.button) {
        case 0:
            answer(ConflictPolicy::keepBoth);
            break;
        case 1:
            answer(ConflictPolicy::skip);
            break;
        case 2:
            answer(ConflictPolicy::replace);
            break;
        default:
            answer(std::nullopt);
        }
    });
}

void WorkspaceController::stopProcessing()
{
    m_left->refresh();
    m_right->refresh();
    m_processing = false;
    renderActivities();
    reportFailures();
}

void WorkspaceController::reportFailures()
{
    const auto failed = std::exchange(m_failedWhileProcessing, {});
    if (failed.isEmpty())
        return;
    if (failed.size() > 1) {
        showError(QStringLiteral("%1 operations failed. Show Operations lists each one with its reason.")
                      .arg(QLocale().toString(failed.size())));
        return;
    }
    const auto record = std::find_if(m_records.cbegin(), m_records.cend(),
                                     [&failed](const ActivityRecord& each) { return each.id() == failed.first(); });
    if (record == m_records.cend())
        return;
    // A new folder has no source; its name is the destination's.
    const QString& item = record->action() == FileAction::createFolder ? record->destination() : record->source();
    showError(QStringLiteral("%1 \u201c%2\u201d failed: %3")
                  .arg(title(record->action()), shownName(item.toStdString()), record->message));
}

void WorkspaceController::updateRecord(const QUuid& id, ActivityRecord::Status status, const QString& message)
{
    for (auto& record : m_records) {
        if (record.id() == id) {
            record.status = status;
            record.message = message;
            break;
        }
    }
    if (status == ActivityRecord::Status::failed && m_processing)
        m_failedWhileProcessing.append(id);
    renderActivities();
}

void WorkspaceController::cancelPending(const QString& message)
{
    const auto pending = std::exchange(m_pending, {});
    for (auto& record : m_records) {
        const bool waiting = std::any_of(pending.begin(), pending.end(),
                                         [&record](const auto& entry) { return entry.first == record.id(); });
        if (waiting) {
            record.status = ActivityRecord::Status::cancelled;
            record.message = message;
        }
    }
    renderActivities();
}

void WorkspaceController::cancelOperations()
{
    cancelPending(QStringLiteral("Cancelled before starting. Running item is allowed to finish safely."));
}

void WorkspaceController::retryOperation(const QString& identifier)
{
    if (identifier.isEmpty())
        return;
    const auto found = std::find_if(m_records.cbegin(), m_records.cend(), [&identifier](const ActivityRecord& record) {
        return record.id().toString(QUuid::WithoutBraces) == identifier;
    });
    if (found == m_records.cend())
        return;
    enqueue({ FileRequest { found->action(), found->source().toStdString(), found->destination().toStdString(),
                            ConflictPolicy::ask } });
}

void WorkspaceController::showOperations()
{
    if (!m_activityWindow) {
        m_activityWindow = new OperationsWindow(m_window);
        QPointer<WorkspaceController> self(this);
        m_activityWindow->cancelPending = [self] {
            if (self)
                self->cancelOperations();
        };
        m_activityWindow->retry = [self](const QString& identifier) {
            if (self)
                self->retryOperation(identifier);
        };
    }
    renderActivities();
    QRect frame = m_activityWindow->geometry();
    frame.moveCenter(m_window->geometry().center());
    m_activityWindow->setGeometry(frame);
    m_activityWindow->show();
    m_activityWindow->raise();
    m_activityWindow->activateWindow();
}

QString WorkspaceController::operationsTitle() const
{
    return m_processing ? QStringLiteral("Operations \u00b7 running")
                        : QStringLiteral("Operations \u00b7 %1").arg(QLocale().toString(m_records.size()));
}

void WorkspaceController::renderActivities()
{
    m_operationsButton->setText(operationsTitle());
    if (m_activityWindow)
        m_activityWindow->showRecords(m_records);
    if (m_transient)
        return;
    QByteArray json;
    try {
        json = encodeList(m_records.mid(std::max<qsizetype>(0, m_records.size() - OperationsWindow::shownRecords)));
    } catch (const std::exception&) {
        return; // a log that cannot be encoded is not stored; the one in memory stays
    }
    m_defaults.replaceKeepingUnreadable(WorkspaceDefaults::activitiesKey, json, [](const QByteArray& stored) {
        return decodeList<ActivityRecord>(stored).has_value();
    });
}

} // namespace bramblet
