#include "Bramblet/LaunchOptions.h"

#include <QFileInfo>
#include <QUrl>

namespace bramblet {

namespace {

const QString leftOption = QStringLiteral("--left");
const QString rightOption = QStringLiteral("--right");

QString valueAfter(const QStringList& arguments, const QString& option, const QString& fallback)
{
    const auto index = arguments.indexOf(option);
    if (index < 0 || index + 1 >= arguments.size())
        return fallback;
    return arguments[index + 1];
}

bool isFolder(const QString& path)
{
    return QFileInfo(path).isDir();
}

QString notAFolder(const QString& path)
{
    return QStringLiteral("bramblet: \u201c%1\u201d is not an existing folder; it is not opened.").arg(path);
}

} // namespace

LaunchOptions LaunchOptions::parse(const QStringList& arguments, const QString& home)
{
    LaunchOptions options;
    options.left = valueAfter(arguments, leftOption, home);
    options.right = valueAfter(arguments, rightOption, home);
    options.temporary = arguments.contains(QStringLiteral("--temporary"));
    options.debugSettings = arguments.contains(QStringLiteral("--debug-settings"));
    const QStringList flags { QStringLiteral("--temporary"), QStringLiteral("--debug-settings") };
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString& argument = arguments[index];
        if (argument == leftOption || argument == rightOption) {
            ++index; // the value, whatever it looks like
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (argument == QStringLiteral("--version")) {
            options.version = true;
        } else if (argument.startsWith(QLatin1Char('-')) && !flags.contains(argument) && options.unknownOption.isEmpty()) {
            options.unknownOption = argument;
        }
    }
    return options;
}

QStringList LaunchOptions::handedPaths(const QStringList& arguments)
{
    QStringList paths;
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString& argument = arguments[index];
        if (argument == leftOption || argument == rightOption) {
            ++index; // the option's value
            continue;
        }
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        const QUrl url(argument);
        paths.append(url.isLocalFile() ? url.toLocalFile() : argument);
    }
    return paths;
}

QString LaunchOptions::usage()
{
    return QStringLiteral(
        "Usage: bramblet [OPTION]... [FOLDER]\n"
        "Bramblet, a dual-pane file manager. FOLDER opens in the left pane; without it the window\n"
        "shows the folders of the last session. When Bramblet already runs, FOLDER (or the --left\n"
        "folder) opens in its window and this start ends.\n"
        "\n"
        "  --left PATH        start the left pane in PATH\n"
        "  --right PATH       start the right pane in PATH\n"
        "  --temporary        a window of its own that neither restores nor saves any state\n"
        "  --debug-settings   open the settings window once started\n"
        "  -h, --help         print this help and exit\n"
        "  --version          print the version and exit\n");
}

QStringList LaunchOptions::missingFolderMessages(const QStringList& arguments)
{
    QStringList named;
    for (const auto& option : { leftOption, rightOption }) {
        if (const auto index = arguments.indexOf(option); index >= 0 && index + 1 < arguments.size())
            named.append(arguments[index + 1]);
    }
    named += handedPaths(arguments);
    QStringList messages;
    for (const auto& path : named) {
        if (!isFolder(path))
            messages.append(notAFolder(path));
    }
    return messages;
}

void LaunchOptions::keepExistingFolders(const QString& home)
{
    for (QString* folder : { &left, &right }) {
        if (!isFolder(*folder))
            *folder = home;
    }
}

} // namespace bramblet
