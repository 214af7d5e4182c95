#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QFuture>
#include <QHash>
#include <QString>
#include <QStringList>

#include <filesystem>

namespace bramblet {

// The one-letter marks a file pane puts next to items that Git reports as changed, and how they
// are read from the `git` tool.
class GitStatus {
public:
    struct Badge {
        QString letter;
        AdaptiveColor color;
        bool operator==(const Badge&) const = default;
    };

    // The status code of each item name directly inside `folder` that lies in a Git working tree:
    // the two status letters of `git status --porcelain` with blanks trimmed ("??", "A", "M"...),
    // an empty code counting as "M"; for a subfolder, the last reported path inside it wins.
    // Empty when the folder is in no repository or git is missing or fails. Runs the tool on a
    // worker thread; the caller continues on its own thread.
    static QFuture<QHash<QString, QString>> loadGitStatuses(const std::filesystem::path& folder);

    // The porcelain lines of a repository rooted at `root` reduced to the codes of `folder`'s items
    // (both paths as git and the pane write them). Lines of other shapes are skipped.
    static QHash<QString, QString> statusesFromPorcelain(const QString& root, const QString& folder,
                                                         const QStringList& lines);

    // The badge of a status code: "??" untracked, then D, A, R by containment, else modified.
    static Badge gitBadge(const QString& code);

    // Runs `executable` with `arguments` and waits for it; the non-empty lines of its standard
    // output, or none when it is not executable, cannot start, exits with a status other than 0
    // or writes anything but UTF-8. Blocks the calling thread.
    static QStringList run(const QString& executable, const QStringList& arguments);

    static constexpr const char* gitExecutable = "/usr/bin/git";
};

} // namespace bramblet
