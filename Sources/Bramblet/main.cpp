#include "Bramblet/App/AppDelegate.h"
#include "Bramblet/App/SingleInstance.h"
#include "Bramblet/LaunchOptions.h"
#include "Bramblet/Workspace/AlertDialog.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// What a start hands to the running instance: its plain folders, then its --left folder, absolute
// from where it was started.
QStringList foldersToHandOver(const QStringList& arguments)
{
    QStringList folders = bramblet::LaunchOptions::handedPaths(arguments);
    if (const auto index = arguments.indexOf(QStringLiteral("--left")); index >= 0 && index + 1 < arguments.size())
        folders.append(arguments[index + 1]);
    for (auto& folder : folders)
        folder = QFileInfo(folder).absoluteFilePath();
    return folders;
}

} // namespace

int main(int argc, char** argv)
{
    // --help and --version answer before anything needs a display.
    QStringList rawArguments;
    for (int index = 0; index < argc; ++index)
        rawArguments.append(QString::fromLocal8Bit(argv[index]));
    if (const auto early = bramblet::LaunchOptions::parse(rawArguments, QString()); early.help || early.version) {
        print(stdout, early.help ? bramblet::LaunchOptions::usage() : QStringLiteral("Bramblet " BRAMBLET_VERSION "\n"));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Bramblet"));
    QApplication::setApplicationName(QStringLiteral("Bramblet"));
    QApplication::setApplicationVersion(QStringLiteral(BRAMBLET_VERSION));
    // The desktop entry the windows belong to (their icon in a dock or task list).
    QGuiApplication::setDesktopFileName(QStringLiteral("bramblet"));
    // A session without a desktop icon theme (a bare X session) still shows each file type's icon.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // Closing the window quits through the delegate's rules, not on its own.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options (-platform, -style, ...) out by now.
    const QStringList arguments = QApplication::arguments();
    const auto options = bramblet::LaunchOptions::parse(arguments, QDir::homePath());
    if (!options.unknownOption.isEmpty()) {
        print(stderr, QStringLiteral("bramblet: unknown option \u201c%1\u201d\n\n").arg(options.unknownOption)
                          + bramblet::LaunchOptions::usage());
        return 2;
    }
    for (const auto& message : bramblet::LaunchOptions::missingFolderMessages(arguments))
        print(stderr, message + QLatin1Char('\n'));

    // A temporary window writes nothing, so it may run beside the instance.
    std::unique_ptr<bramblet::SingleInstance> instance;
    if (!options.temporary) {
        try {
            switch (bramblet::SingleInstance::start(bramblet::SingleInstance::defaultFolder(),
                                                    foldersToHandOver(arguments), instance)) {
            case bramblet::SingleInstance::Start::claimed:
                break;
            case bramblet::SingleInstance::Start::handedOver:
                return 0;
            case bramblet::SingleInstance::Start::noAnswer:
                print(stderr, QStringLiteral("bramblet: Bramblet is already running but does not answer.\n"));
                return 1;
            }
        } catch (const std::exception& failure) {
            print(stderr, QStringLiteral("bramblet: %1 Starting without checking for a running Bramblet.\n")
                              .arg(QString::fromUtf8(failure.what())));
        }
    }

    bramblet::WorkspaceDefaults defaults;
    bramblet::AlertPresenter dialogs;
    bramblet::AppDelegate delegate(defaults, dialogs);
    // Nothing happens before the event loop runs.
    QTimer::singleShot(0, &delegate, [&delegate, &instance, arguments] {
        delegate.applicationDidFinishLaunching(arguments);
        if (instance)
            instance->setReceiver([&delegate](const QStringList& folders) { delegate.openHandedOverFolders(folders); });
    });
    return QApplication::exec();
}
