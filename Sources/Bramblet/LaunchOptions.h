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

    // Reads the whole argument list (executable first). Options match whole arguments exactly and
    // the first occurrence counts. The value after --left or --right is taken as it stands, even
    // when it looks like an option; a missing value means `home`.
    static LaunchOptions parse(const QStringList& arguments, const QString& home);

    bool operator==(const LaunchOptions&) const = default;
};

} // namespace bramblet
