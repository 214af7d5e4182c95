#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace bramblet {

namespace {

QString countedItems(qsizetype count)
{
    return DisplayText::countText(count, QStringLiteral("item"), QStringLiteral("items"));
}

QString pathText(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

const QString mailHandler = QStringLiteral("xdg-email");
// The handler's status when no mail program is set up.
constexpr int noMailProgramStatus = 3;
const QString noMailProgram = QStringLiteral(
    "No mail program is set up to share with. Choose a default e-mail program in the desktop’s settings, then "
    "share again.");

} // namespace

void WorkspaceController::wireTransferCommands()
{
    connectToolbarButton("copyToOther", &WorkspaceController::copyToOther);
    connectToolbarButton("moveToOther", &WorkspaceController::moveToOther);
    connectToolbarButton("trashSelection", &WorkspaceController::trashSelection);
    connectToolbarButton("showDropStack", &WorkspaceController::showDropStack);
    QPointer<WorkspaceController> self(this);
    for (auto* pane : { m_left, m_right }) {
        pane->dropped = [self](const QList<std::filesystem::path>& urls, const std::filesystem::path& destination,
                               bool move) {
            if (self)
                self->confirmTransfer(urls, destination, move ? FileAction::move : FileAction::copy);
        };
    }
}

QList<std::filesystem::path> WorkspaceController::selectedPaths() const
{
    QList<std::filesystem::path> paths;
    // The selection of a pane hidden behind terminal sessions is nobody's to act on.
    if (!showsFiles(m_activeIndex))
        return paths;
    for (const auto& item : activePane()->selected())
        paths.append(item.url);
    return paths;
}

std::filesystem::path WorkspaceController::otherFolder() const
{
    return (m_activeIndex == 0 ? m_right : m_left)->activeTab().path.toStdString();
}

void WorkspaceController::confirmTransfer(const QList<std::filesystem::path>& urls,
                                          const std::filesystem::path& destination, FileAction action)
{
    if (urls.isEmpty() || !m_window)
        return;
    DialogRequest request;
    request.message = QStringLiteral("%1 %2?").arg(title(action), countedItems(urls.size()));
    request.informativeText =
        QStringLiteral("From: %1\nTo: %2\n\nExisting items will not be overwritten without your choice.")
            .arg(pathText(urls.first().parent_path()), pathText(destination));
    request.buttons = { title(action), QStringLiteral("Cancel") };
    QPointer<WorkspaceController> self(this);
    // The list is taken now: the selection may change while the sheet is up.
    m_dialogs.present(m_window, request, [self, urls, destination, action](const DialogAnswer& answer) {
        if (!self || answer.button != 0)
            return;
        QList<FileRequest> requests;
        for (const auto& url : urls)
            requests.append({ action, url, destination / url.filename(), ConflictPolicy::ask });
        self->enqueue(requests);
    });
}

void WorkspaceController::copyToOther()
{
    confirmTransfer(selectedPaths(), otherFolder(), FileAction::copy);
}

void WorkspaceController::moveToOther()
{
    confirmTransfer(selectedPaths(), otherFolder(), FileAction::move);
}

void WorkspaceController::copyFiles()
{
    m_clipboard = selectedPaths();
    QList<QUrl> urls;
    for (const auto& path : m_clipboard)
        urls.append(QUrl::fromLocalFile(pathText(path)));
    auto* data = new QMimeData;
    data->setUrls(urls);
    QGuiApplication::clipboard()->setMimeData(data);
    m_statusLabel->setFullText(countedItems(m_clipboard.size()) +
                               QStringLiteral(" copied. Choose a destination and paste."));
}

void WorkspaceController::paste(bool move)
{
    QList<std::filesystem::path> urls = m_clipboard;
    const auto* data = QGuiApplication::clipboard()->mimeData();
    // A clipboard holding a file list (even an empty one) wins over our own.
    if (data && data->hasUrls()) {
        urls.clear();
        for (const auto& url : data->urls()) {
            if (url.isLocalFile())
                urls.append(url.toLocalFile().toStdString());
        }
    }
    confirmTransfer(urls, activeTabPath().toStdString(), move ? FileAction::move : FileAction::copy);
}

void WorkspaceController::addSelectionToDropStack()
{
    for (const auto& path : selectedPaths()) {
        if (!m_dropStack.contains(path))
            m_dropStack.append(path);
    }
    updateStackButton();
    m_statusLabel->setFullText(countedItems(m_dropStack.size()) + QStringLiteral(" in Drop Stack"));
}

void WorkspaceController::showDropStack()
{
    if (!m_window)
        return;
    DialogRequest request;
    request.message = QStringLiteral("Drop Stack");
    request.buttons = { QStringLiteral("Close") };
    if (m_dropStack.isEmpty()) {
        request.informativeText = QStringLiteral("Collect files from either pane, then copy or move them together.");
    } else {
        QStringList paths;
        for (const auto& path : m_dropStack)
            paths.append(pathText(path));
        request.informativeText = paths.join(QLatin1Char('\n'));
        request.buttons << QStringLiteral("Copy to Other Pane") << QStringLiteral("Move to Other Pane")
                        << QStringLiteral("Clear");
    }
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(m_window, request, [self](const DialogAnswer& answer) {
        if (!self)
            return;
        if (answer.button == 1 || answer.button == 2) {
            self->transferDropStack(answer.button == 1 ? FileAction::copy : FileAction::move);
        } else if (answer.button == 3) {
            self->m_dropStack.clear();
            self->updateStackButton();
        }
    });
}

void WorkspaceController::transferDropStack(FileAction action)
{
    // The stack stays as it is: the same items may go to more places.
    confirmTransfer(m_dropStack, otherFolder(), action);
}

void WorkspaceController::trashSelection()
{
    const auto urls = selectedPaths();
    if (urls.isEmpty() || !m_window)
        return;
    DialogRequest request;
    request.message = QStringLiteral("Move %1 to Trash?").arg(countedItems(urls.size()));
    request.informativeText = QStringLiteral("You can restore them from the Trash.");
    request.buttons = { QStringLiteral("Move to Trash"), QStringLiteral("Cancel") };
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(m_window, request, [self, urls](const DialogAnswer& answer) {
        if (!self || answer.button != 0)
            return;
        QList<FileRequest> requests;
        for (const auto& url : urls)
            requests.append({ FileAction::trash, url, url, ConflictPolicy::ask });
        self->enqueue(requests);
    });
}

void WorkspaceController::compareSelected()
{
    const auto urls = selectedPaths();
    if (urls.size() != 2)
        return;
    QString tool;
    for (const char* name : { "meld", "kdiff3", "kompare" }) {
        tool = QStandardPaths::findExecutable(QString::fromUtf8(name));
        if (!tool.isEmpty())
            break;
    }
    if (tool.isEmpty()) {
        showError(QStringLiteral("Install meld, kdiff3 or kompare to compare files."));
        return;
    }
    QProcess process;
    process.setProgram(tool);
    process.setArguments({ pathText(urls[0]), pathText(urls[1]) });
    if (!process.startDetached())
        showError(QStringLiteral("Could not launch the comparison tool. ") + process.errorString());
}

bool WorkspaceController::canShare()
{
    return !QStandardPaths::findExecutable(mailHandler).isEmpty();
}

void WorkspaceController::shareSelected()
{
    const auto urls = selectedPaths();
    if (urls.isEmpty())
        return;
    const QString handler = QStandardPaths::findExecutable(mailHandler);
    if (handler.isEmpty()) {
        showError(noMailProgram);
        return;
    }
    QStringList arguments;
    for (const auto& url : urls)
        arguments << QStringLiteral("--attach") << pathText(url);
    // Not a child of the workspace: the handler may run the mail program in its own place, and
    // closing the window must not end that. It goes once it has ended; its exit status says
    // whether a mail program took the files.
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    connect(process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && exitCode == 0)
            return;
        if (status == QProcess::NormalExit && exitCode == noMailProgramStatus)
            showError(noMailProgram);
        else
            showError(QStringLiteral("The mail program could not take the selection (%1 ended with status %2).")
                          .arg(mailHandler)
                          .arg(status == QProcess::NormalExit ? exitCode : -1));
    });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            showError(noMailProgram);
    });
    process->start(handler, arguments);
}

} // namespace bramblet
