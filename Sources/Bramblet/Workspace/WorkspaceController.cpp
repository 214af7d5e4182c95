#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/InspectorController.h"
#include "Bramblet/Theme/StackView.h" // InspectorController.h needs the complete type
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Sidebar/SidebarController.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/ScreenClamp.h"
#include "Bramblet/Workspace/SyncPlanProgress.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/TerminalSession.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Sync/SyncService.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace bramblet {

WorkspaceController::WorkspaceController(const std::optional<QString>& initialLeft,
                                         const std::optional<QString>& initialRight, bool transient,
                                         WorkspaceDefaults& defaults, DialogPresenter& dialogs)
    : m_transient(transient)
    , m_defaults(defaults)
    , m_dialogs(dialogs)
    , m_inspector(std::make_unique<InspectorController>())
    , m_sidebar(std::make_unique<SidebarController>())
    , m_fileService(std::make_unique<FileService>())
    , m_syncService(std::make_unique<SyncService>())
    , m_opener([](const QUrl& file) { return QDesktopServices::openUrl(file); })
    , m_serverConnection(gioServerConnection())
{
    // What a killed earlier run left goes before this window's first file request.
    m_fileService->sweepLeftovers();
    const QString home = QDir::homePath();
    m_left = new PaneController(initialLeft.value_or(home), PaneMode::list);
    m_right = new PaneController(initialRight.value_or(home), PaneMode::list);
    m_leftContent = new TerminalPaneController(m_left);
    m_rightContent = new TerminalPaneController(m_right);
    for (auto* side : { m_leftContent, m_rightContent })
        side->setDialogs(&m_dialogs);

    m_window = new WorkspaceWindow;
    m_window->resize(1440, 900);
    m_window->setWindowTitle(QStringLiteral("Bramblet"));
    m_window->setMinimumSize(1024, 768);
    m_left->canExplore = true;
    QPointer<WorkspaceController> self(this);
    m_window->shouldClose = [self] { return !self || self->windowShouldClose(); };
    m_window->willClose = [self] {
        if (self)
            self->windowWillClose();
    };

    if (!m_transient)
        restore();
    // Said once per run: the state of this session will not outlive it.
    m_defaults.writeFailed = [self](const QString& file) {
        if (self)
            self->showError(QStringLiteral("Bramblet can\u2019t save its settings to \u201c%1\u201d. Tabs, favourites, "
                                           "saved workspaces and the activity log of this session won\u2019t be kept.")
                                .arg(file));
    };
    configure();
    // The footer counts the restored log from the start.
    m_operationsButton->setText(operationsTitle());
    // Only now: resizing during construction would collapse items before their widths are known.
    m_window->didResize = [self] {
        if (self)
            self->windowDidResize();
    };
    windowDidResize();

    if (auto* screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_window->geometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->setGeometry(frame);
    }
    clampWindowToScreen();

    // The panes list nothing until the launch work is done.
    QTimer::singleShot(0, this, [this] {
        m_left->refresh();
        m_right->refresh();
    });
}

WorkspaceController::~WorkspaceController()
{
    m_defaults.writeFailed = nullptr;
    // Running plans are cancelled before the sync service, which waits for its work, goes.
    qDeleteAll(findChildren<SyncPlanProgress*>(Qt::FindDirectChildrenOnly));
    // The window holds the sidebar's and the inspector's views; it goes before their controllers.
    delete m_window;
}

PaneController* WorkspaceController::activePane() const
{
    return m_activeIndex == 0 ? m_left : m_right;
}

TerminalPaneController* WorkspaceController::activeContent() const
{
    return m_activeIndex == 0 ? m_leftContent : m_rightContent;
}

bool WorkspaceController::showsFiles(int index) const
{
    return content(index)->mode() == TerminalPaneController::filesMode;
}

bool WorkspaceController::windowShouldClose()
{
    if (m_processing) {
        showError(QStringLiteral(
            "An operation is running. Cancel pending items and let the current item finish before closing."));
        return false;
    }
    return confirmTerminalExit();
}

void WorkspaceController::windowWillClose()
{
    save();
    emit closed();
}

bool WorkspaceController::confirmTerminalExit()
{
    const auto running = [this] {
        QList<TerminalSession*> sessions;
        for (auto* side : { m_leftContent, m_rightContent }) {
            for (const auto& session : side->sessions()) {
                if (session->running())
                    sessions.append(session.get());
            }
        }
        return sessions;
    };
    if (running().isEmpty())
        return true;
    DialogRequest request;
    request.message = QStringLiteral("Close Bramblet and its terminals?");
    request.informativeText = QStringLiteral("Running terminal commands will be stopped.");
    request.buttons = { QStringLiteral("Cancel"), QStringLiteral("Close Terminals") };
    if (m_dialogs.run(m_window, request).button != 1)
        return false;
    // Asked again: a shell may have ended while the question was open.
    for (TerminalSession* session : running())
        session->stop();
    return true;
}

zentrova::TerminalView* WorkspaceController::focusedTerminal() const
{
    if (auto* terminal = m_leftContent->focusedTerminal())
        return terminal;
    return m_rightContent->focusedTerminal();
}

void WorkspaceController::clampWindowToScreen()
{
    auto* screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect frame = clampToScreen(m_window->geometry(), screen->availableGeometry());
    // The clamp may go below the minimum size on a small screen; the whole window must stay visible.
    m_window->setMinimumSize(std::min(m_window->minimumWidth(), frame.width()),
                             std::min(m_window->minimumHeight(), frame.height()));
    m_window->setGeometry(frame);
}

} // namespace bramblet
