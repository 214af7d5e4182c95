#include "Bramblet/App/AppDelegate.h"
#include "Bramblet/Workspace/AlertDialog.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Bramblet"));
    QApplication::setApplicationName(QStringLiteral("Bramblet"));
    QApplication::setApplicationVersion(QStringLiteral(BRAMBLET_VERSION));
    // A session without a desktop icon theme (a bare X session) still shows each file type's icon.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // Closing the window quits through the delegate's rules, not on its own.
    QApplication::setQuitOnLastWindowClosed(false);

    bramblet::WorkspaceDefaults defaults;
    bramblet::AlertPresenter dialogs;
    bramblet::AppDelegate delegate(defaults, dialogs);
    // Nothing happens before the event loop runs.
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(QApplication::arguments()); });
    return QApplication::exec();
}
