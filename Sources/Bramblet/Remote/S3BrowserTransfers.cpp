// What the pane changes in the bucket: new folders, uploads, downloads and deletions. Files of a
// batch go one after the other on the client's thread; the main thread only starts each one and
// shows its progress.

#include "Bramblet/Remote/S3BrowserPane.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Remote/RemoteFailure.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "BrambletCore/Remote/S3Service.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProgressBar>
#include <QStandardPaths>

#include <filesystem>

namespace bramblet {

namespace {

std::filesystem::path localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString itemCount(qsizetype count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" item") : QStringLiteral(" items"));
}

} // namespace

struct S3BrowserPane::Batch {
    enum class Kind { upload, download, remove };
    struct Step {
        QString name;
        QString key;
        std::filesystem::path local;
    };

    Kind kind;
    // The bucket the whole batch works on, kept alive until the batch ends.
    std::shared_ptr<S3Service> service;
    QList<Step> steps;
    QString folder; // where downloads go
    qsizetype next = 0; // the step in flight, or the next one
    int succeeded = 0;
    int progress = 0; // of the step in flight, 0 to S3Service::progressScale
    bool cancelled = false;
    QFuture<void> current;

    QString verb() const
    {
        switch (kind) {
        case Kind::upload:
            return QStringLiteral("upload");
        case Kind::download:
            return QStringLiteral("download");
        case Kind::remove:
            break;
        }
        return QStringLiteral("delete");
    }
};

void S3BrowserPane::newFolder()
{
    if (!m_anchorWindow || !m_service)
        return;
    DialogRequest request = alertRequest(QStringLiteral("New Folder"), QStringLiteral("Create in ") + m_pathLabel->fullText(),
                                         { QStringLiteral("Create"), QStringLiteral("Cancel") });
    request.accessory = DialogRequest::Accessory::textField;
    request.text = QStringLiteral("Untitled Folder");
    request.accessoryName = QStringLiteral("Folder name");
    // The folder goes where the sheet said it would, even if the user moved on meanwhile.
    const std::weak_ptr<S3Service> service = m_service;
    const QString prefix = currentPrefix();
    m_dialogs.present(m_anchorWindow, request, [pane = QPointer(this), service, prefix](const DialogAnswer& answer) {
        const auto client = service.lock();
        if (!pane || answer.button != 0 || answer.text.isEmpty() || !client)
            return;
        whenFinished(client->createFolder(prefix + answer.text), pane.data(), [pane](const QFuture<void>& future) {
            if (const auto failure = failureOf(future))
                pane->showError(remoteFailureText(failure));
            else
                pane->refresh();
        });
    });
}

void S3BrowserPane::uploadFiles()
{
    if (!m_anchorWindow || !m_service)
        return;
    const std::weak_ptr<S3Service> service = m_service;
    m_dialogs.chooseFiles(m_anchorWindow, [pane = QPointer(this), service](const QStringList& files) {
        const auto client = service.lock();
        if (!pane || files.isEmpty() || !client || client != pane->m_service)
            return;
        auto batch = std::make_shared<Batch>();
        batch->kind = Batch::Kind::upload;
        batch->service = client;
        const QString prefix = pane->currentPrefix();
        for (const QString& file : files) {
            const QString name = QFileInfo(file).fileName();
            batch->steps.append({ name, prefix + name, localPath(file) });
        }
        pane->startBatch(std::move(batch));
    });
}

void S3BrowserPane::downloadSelected()
{
    if (!m_anchorWindow || !m_service)
        return;
    const QList<S3Object> files = selectedFiles();
    if (files.isEmpty()) {
        showError(QStringLiteral("Select one or more files to download."));
        return;
    }
    // The files belong to the bucket they were listed from.
    const std::weak_ptr<S3Service> service = m_listingService;
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    m_dialogs.chooseFolder(m_anchorWindow, start, [pane = QPointer(this), service, files](const std::optional<QString>& folder) {
        const auto client = service.lock();
        if (!pane || !folder || !client || !pane->m_service)
            return;
        auto batch = std::make_shared<Batch>();
        batch->kind = Batch::Kind::download;
        batch->service = client;
        batch->folder = *folder;
        for (const S3Object& file : files)
            batch->steps.append({ file.name(), file.key, localPath(QDir(*folder).filePath(file.name())) });
        pane->startBatch(std::move(batch));
    });
}

void S3BrowserPane::deleteSelected()
{
    if (!m_anchorWindow || !m_service)
        return;
    const QList<S3Object> files = selectedFiles();
    if (files.isEmpty()) {
        showError(QStringLiteral("Select one or more files to delete. Folders can't be deleted here yet."));
        return;
    }
    const DialogRequest request = alertRequest(QStringLiteral("Delete ") + itemCount(files.size()) + QStringLiteral(" from S3?"),
                                               QStringLiteral("This cannot be undone."),
                                               { QStringLiteral("Delete"), QStringLiteral("Cancel") });
    const std::weak_ptr<S3Service> service = m_listingService;
    m_dialogs.present(m_anchorWindow, request, [pane = QPointer(this), service, files](const DialogAnswer& answer) {
        const auto client = service.lock();
        if (!pane || answer.button != 0 || !client || !pane->m_service)
            return;
        auto batch = std::make_shared<Batch>();
        batch->kind = Batch::Kind::remove;
        batch->service = client;
        for (const S3Object& file : files)
            batch->steps.append({ file.name(), file.key, {} });
        pane->startBatch(std::move(batch));
    });
}

void S3BrowserPane::cancelTransfers()
{
    for (const auto& batch : m_transfers) {
        batch->cancelled = true;
        batch->current.cancel();
    }
}

void S3BrowserPane::startBatch(std::shared_ptr<Batch> batch)
{
    m_transfers.push_back(batch);
    // The future's own progress signal is rate-limited and may hold back the last value before a
    // stall, so the bar reads the value as it stands a few times a second.
    if (!m_progressTimer.isActive())
        m_progressTimer.start();
    runNext(batch);
}

void S3BrowserPane::runNext(const std::shared_ptr<Batch>& batch)
{
    if (batch->cancelled || batch->next >= batch->steps.size()) {
        finishBatch(batch);
        return;
    }
    const Batch::Step& step = batch->steps[batch->next];
    switch (batch->kind) {
    case Batch::Kind::upload:
        batch->current = batch->service->upload(step.local, step.key);
        break;
    case Batch::Kind::download:
        batch->current = batch->service->download(step.key, step.local);
        break;
    case Batch::Kind::remove:
        batch->current = batch->service->deleteObject(step.key);
        break;
    }
    showTransferProgress();

    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, batch] {
        watcher->deleteLater();
        const QFuture<void> future = watcher->future();
        if (const auto failure = failureOf(future)) {
            const Batch::Step& step = batch->steps[batch->next];
            showError(QStringLiteral("Could not ") + batch->verb() + u' ' + step.name + QStringLiteral(": ")
                      + remoteFailureText(failure));
        } else if (!future.isCanceled()) {
            ++batch->succeeded;
        }
        ++batch->next;
        runNext(batch);
    });
    watcher->setFuture(batch->current);
}

void S3BrowserPane::finishBatch(const std::shared_ptr<Batch>& batch)
{
    std::erase(m_transfers, batch);
    showTransferProgress();
    if (batch->kind == Batch::Kind::download) {
        // Counted are the files that arrived, not the ones tried.
        const qsizetype tried = batch->steps.size();
        const QString count = batch->succeeded == tried ? itemCount(tried)
                                                        : QString::number(batch->succeeded) + QStringLiteral(" of ") + itemCount(tried);
        m_statusLabel->setFullText(QStringLiteral("Downloaded ") + count + QStringLiteral(" to ") + batch->folder);
    } else {
        refresh();
    }
}

void S3BrowserPane::showTransferProgress()
{
    if (m_transfers.empty()) {
        m_progressTimer.stop();
        m_progressRow->hide();
        return;
    }
    Batch& batch = *m_transfers.back();
    batch.progress = batch.current.progressValue();
    const qsizetype total = batch.steps.size();
    const qsizetype index = std::min(batch.next, total - 1);
    const QString action = batch.kind == Batch::Kind::upload ? QStringLiteral("Uploading ")
        : batch.kind == Batch::Kind::download               ? QStringLiteral("Downloading ")
                                                             : QStringLiteral("Deleting ");
    QString text = action + batch.steps[index].name;
    if (total > 1)
        text += QStringLiteral(" (%1 of %2)").arg(index + 1).arg(total);
    m_progressLabel->setFullText(text);
    m_progressBar->setValue(int((index * S3Service::progressScale + batch.progress) / total));
    m_progressRow->show();
}

} // namespace bramblet
