#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/ArchiveExtraction.h"
#include "Bramblet/Workspace/ArchiveRunFolder.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QCoreApplication>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

namespace bramblet {

void WorkspaceController::openFile(const std::filesystem::path& file, int index)
{
    if (QString::fromStdString(file.extension().string()).toLower() == QStringLiteral(".zip")) {
        openArchive(file, index == 0 ? m_left : m_right);
        return;
    }
    if (m_opener)
        m_opener(QUrl::fromLocalFile(pathString(file)));
}

void WorkspaceController::openArchive(const std::filesystem::path& archive, PaneController* pane)
{
    if (!m_archiveRun) {
        try {
            m_archiveRun = std::make_shared<ArchiveRunFolder>(archivesRoot());
            // Gone as the event loop ends, whatever becomes of the teardown after it.
            if (auto* application = QCoreApplication::instance())
                connect(application, &QCoreApplication::aboutToQuit, this, [this] { m_archiveRun.reset(); });
        } catch (const std::exception& failure) {
            showError(QStringLiteral("Could not open this archive. ") + QString::fromUtf8(failure.what()));
            return;
        }
    }
    const auto folder = extractionFolder(m_archiveRun->path(), archive);
    m_archiveSources.insert(pathString(folder), archive);
    std::error_code ignored;
    // Only complete extractions are ever renamed into place, so an existing folder is one.
    if (std::filesystem::is_directory(folder, ignored)) {
        pane->navigate(folder);
        return;
    }
    // Different archives may unpack at the same time; each on a thread of the shared pool.
    // The task holds the run folder too: an extraction still running at quit finishes into it.
    const auto extraction = QtConcurrent::run([archive, folder, run = m_archiveRun]() -> std::optional<QString> {
        try {
            extractArchive(archive, folder);
            return std::nullopt;
        } catch (const std::exception& failure) {
            return QString::fromUtf8(failure.what());
        }
    });
    whenFinished(extraction, this, [this, target = QPointer<PaneController>(pane), folder](const QFuture<std::optional<QString>>& done) {
        if (!hasResult(done))
            return;
        if (const auto failure = done.result()) {
            showError(QStringLiteral("Could not open this archive. ") + *failure);
            return;
        }
        if (target)
            target->navigate(folder);
    });
}

void WorkspaceController::connectToServer(QWidget* presentingWindow)
{
    QWidget* window = presentingWindow ? presentingWindow : m_window;
    if (!window)
        return;
    DialogRequest request;
    request.message = QStringLiteral("Connect to Server");
    request.informativeText = QStringLiteral(
        "Enter an address for an SMB, AFP, FTP, or WebDAV server. The desktop will mount it with the credentials it "
        "keeps for that server, and it opens in the active pane.");
    request.accessory = DialogRequest::Accessory::textField;
    request.text = QStringLiteral("smb://");
    request.accessoryName = QStringLiteral("Server address");
    request.accessoryToolTip = QStringLiteral("e.g. smb://server/share, ftp://server, webdav://server/path");
    request.buttons = { QStringLiteral("Connect"), QStringLiteral("Cancel") };
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(window, request, [self](const DialogAnswer& answer) {
        if (self && answer.button == 0)
            self->mountServer(answer.text);
    });
}

void WorkspaceController::mountServer(const QString& address)
{
    const auto url = serverAddress(address);
    if (!url) {
        showError(QStringLiteral("Enter an address starting with smb://, afp://, ftp://, or webdav(s)://"));
        return;
    }
    if (!m_serverConnection)
        return;
    QPointer<WorkspaceController> self(this);
    m_serverConnection(*url, this, [self](const std::optional<QString>& folder) {
        if (!self)
            return;
        if (folder)
            self->activePane()->navigate(pathFromString(*folder));
        else
            self->showError(QStringLiteral("The system could not open this server address."));
    });
}

} // namespace bramblet
