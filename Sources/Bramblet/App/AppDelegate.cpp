#include "Bramblet/App/AppDelegate.h"

#include "Bramblet/LaunchOptions.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Settings/SettingsWindowController.h"
#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Updater/UpdateController.h"
#include "Bramblet/Workspace/ArchiveExtraction.h"
#include "Bramblet/Workspace/ArchiveRunFolder.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QThreadPool>

// Outside any namespace, as Q_INIT_RESOURCE needs: the icons live in a static library, which
// nothing else would pull into the executable.
static void initAppResources()
{
    Q_INIT_RESOURCE(AppResources);
}

namespace bramblet {

AppDelegate::AppDelegate(WorkspaceDefaults& defaults, DialogPresenter& dialogs)
    : m_defaults(defaults)
    , m_dialogs(dialogs)
    , m_appearanceChoice(defaults.string(WorkspaceDefaults::appearanceKey).value_or(QStringLiteral("System")))
{
}

AppDelegate::~AppDelegate()
{
    // Torn down in this order, while every member is still whole: deleting the window moves the
    // keyboard focus more than once, and the Edit items must not follow it into a window, a menu or
    // a workspace that is going. Then the settings window, which calls into the workspace, the
    // updater, and last the workspace with its window and the menu bar.
    disconnect(m_focusChange);
    disconnect(m_workspaceRefresh);
    disconnect(m_terminalMenuState);
    m_settingsController.reset();
    m_updater.reset();
    m_workspace.reset();
}

void AppDelegate::applicationDidFinishLaunching(const QStringList& arguments)
{
    // Archive extractions that runs which crashed left behind, off the main thread: they can be large.
    QThreadPool::globalInstance()->start([root = archivesRoot()] { ArchiveRunFolder::sweepLeftovers(root); });
    applyAppearance();
    connect(&ApplicationAppearance::shared(), &ApplicationAppearance::effectiveAppearanceChanged, this,
            &AppDelegate::updateIcon);

    auto options = LaunchOptions::parse(arguments, QDir::homePath());
    // A folder that is not there opens nothing: the window opens as without it.
    options.keepExistingFolders(QDir::homePath());
    m_workspace = std::make_unique<WorkspaceController>(options.left, options.right, options.temporary, m_defaults,
                                                        m_dialogs);
    connect(m_workspace.get(), &WorkspaceController::closed, this, &AppDelegate::terminate);
    makeMenu();

    auto* window = m_workspace->window();
    window->show();
    window->raise();
    window->activateWindow();

    m_updater = std::make_unique<UpdateController>(UpdateController::configuredFeed(),
                                                   QCoreApplication::applicationVersion(), m_dialogs);
    if (options.debugSettings)
        presentSettings();

    // A desktop launcher hands folders over as plain arguments.
    if (const auto paths = LaunchOptions::handedPaths(arguments); !paths.isEmpty())
        openFolders(paths);
}

void AppDelegate::applyAppearance()
{
    std::optional<Appearance> appearance;
    if (m_appearanceChoice == QStringLiteral("Light"))
        appearance = Appearance::light;
    else if (m_appearanceChoice == QStringLiteral("Dark"))
        appearance = Appearance::dark;
    ApplicationAppearance::shared().setAppearance(appearance);
    updateIcon();
}

QString AppDelegate::iconResource(Appearance appearance)
{
    static const bool resourcesReady = (initAppResources(), true);
    Q_UNUSED(resourcesReady);
    return appearance == Appearance::dark ? QStringLiteral(":/App/Icons/Bramblet-dark.png")
                                          : QStringLiteral(":/App/Icons/Bramblet-light.png");
}

void AppDelegate::updateIcon()
{
    const QIcon icon(iconResource(ApplicationAppearance::shared().effectiveAppearance()));
    // A missing or unreadable image leaves the icon as it was.
    if (!icon.availableSizes().isEmpty())
        QApplication::setWindowIcon(icon);
}

void AppDelegate::changeAppearance(const QString& choice)
{
    m_appearanceChoice = choice;
    m_defaults.setString(WorkspaceDefaults::appearanceKey, choice);
    applyAppearance();
}

void AppDelegate::openFolders(const QStringList& paths)
{
    if (!m_workspace)
        return;
    for (const auto& path : paths) {
        const QFileInfo info(path);
        if (!info.exists() || !info.isDir())
            continue;
        m_workspace->activatePane(0);
        m_workspace->leftContent()->focus();
        m_workspace->left()->navigate(QDir::cleanPath(info.absoluteFilePath()).toStdString());
        bringWindowForward();
        return;
    }
}

void AppDelegate::openHandedOverFolders(const QStringList& paths)
{
    openFolders(paths);
    bringWindowForward();
}

void AppDelegate::bringWindowForward()
{
    if (!m_workspace)
        return;
    auto* window = m_workspace->window();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

SettingsWindowController* AppDelegate::presentSettings(const QString& tab)
{
    if (!m_settingsController) {
        QPointer<AppDelegate> self(this);
        m_settingsController = std::make_unique<SettingsWindowController>(
            m_appearanceChoice,
            [self](const QString& choice) {
                if (self)
                    self->changeAppearance(choice);
            },
            [self](QWidget* window) {
                if (self && self->m_workspace)
                    self->m_workspace->connectToServer(window);
            },
            m_defaults, m_dialogs);
    }
    // The tab fixes the window's size, so it comes before the centring.
    if (!tab.isEmpty())
        m_settingsController->selectTab(tab);
    QMainWindow* window = m_settingsController->window();
    if (const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        // A window never shown has no frame yet; it will get the decorations the workspace
        // window has.
        if (!window->isVisible() && m_workspace && m_workspace->window()->isVisible()) {
            const QWidget* shown = m_workspace->window();
            const QRect inner = shown->geometry();
            const QRect outer = shown->frameGeometry();
            frame = window->geometry().marginsAdded(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                                             outer.right() - inner.right(), outer.bottom() - inner.bottom()));
        }
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    window->raise();
    window->activateWindow();
    return m_settingsController.get();
}

void AppDelegate::showSettings()
{
    presentSettings();
}

void AppDelegate::showS3Settings()
{
    presentSettings(SettingsWindowController::s3ID);
}

void AppDelegate::showTrueNASSettings()
{
    presentSettings(SettingsWindowController::trueNASID);
}

void AppDelegate::checkForUpdates()
{
    if (!m_updater)
        return;
    QWidget* front = QApplication::activeWindow();
    if (!front && m_workspace)
        front = m_workspace->window();
    m_updater->checkForUpdates(front);
}

bool AppDelegate::applicationShouldTerminate()
{
    // An update that is being installed takes the application down itself: nothing may hold it.
    if (m_updater && (m_updater->isInstallingUpdate() || m_updater->sessionInProgress()))
        return true;
    if (!m_workspace)
        return true;
    if (m_workspace->processing()) {
        DialogRequest request;
        request.message = QStringLiteral("A file operation is still running");
        request.informativeText =
            QStringLiteral("Let the current item finish before quitting. Pending work can be cancelled in Operations.");
        request.buttons = { QStringLiteral("OK") };
        m_dialogs.run(m_workspace->window(), request);
        return false;
    }
    if (!m_workspace->confirmTerminalExit())
        return false;
    m_workspace->save();
    return true;
}

void AppDelegate::terminate()
{
    // Leaves the event loop directly: the rules above have run, the window must not ask again.
    if (applicationShouldTerminate())
        QCoreApplication::exit(0);
}

void AppDelegate::showAbout()
{
    QMessageBox about(m_workspace->window());
    about.setWindowTitle(QStringLiteral("About Bramblet"));
    about.setIconPixmap(QApplication::windowIcon().pixmap(96, 96));
    about.setText(QStringLiteral("<b>Bramblet</b>"));
    about.setInformativeText(QStringLiteral("Version %1").arg(QApplication::applicationVersion()));
    about.exec();
}

} // namespace bramblet
