#pragma once

#include <QString>
#include <QStringList>

namespace bramblet {

// What the command line asks of a launch.
struct LaunchOptions {
    QString left;               // starting folder of the left side
    QString right;              // starting folder of the right side
    bool temporary = false;     // neither restore nor save the window state
    bool debugSettings = false; // open the settings window once launched
    bool help = false;          // print the usage and exit
    bool version = false;       // print the version and exit
    QString unknownOption;      // the first argument that looks like an option and is none; empty when all are known

    // Reads the whole argument list (executable first). Options match whole arguments exactly and
    // the first occurrence counts. The value after --left or --right is taken as it stands, even
    // when it looks like an option; a missing value means `home`.
    static LaunchOptions parse(const QStringList& arguments, const QString& home);

    // The plain arguments a desktop launcher passes as files or folders (paths or file URLs): every
    // argument after the executable that is neither an option nor the value of --left or --right.
    static QStringList handedPaths(const QStringList& arguments);

    // The text --help prints.
    static QString usage();

    // The folders the arguments name (--left, --right and plain paths or file URLs) that are not
    // existing folders, one message each for the user.
    static QStringList missingFolderMessages(const QStringList& arguments);

    // A starting folder that is not an existing folder becomes `home`, so that the window opens as
    // it would without it (on the saved folders when there are any).
    void keepExistingFolders(const QString& home);

    bool operator==(const LaunchOptions&) const = default;
};

} // namespace bramblet
