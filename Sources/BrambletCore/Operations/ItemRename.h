#pragma once

#include <QString>

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace bramblet {

// Renames without ever replacing what may have taken the name since it was last checked: a clash
// is the system's "File exists". Errors name `shown`.
void renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to, const QString& action,
                            const std::filesystem::path& shown);

// Renames `from` to `to`, or to the first free numbered name beside it (as Keep Both forms them)
// when `to` is taken; returns where it went. Errors as for renameWithoutReplacing().
std::filesystem::path renameToFreeName(const std::filesystem::path& from, const std::filesystem::path& to,
                                       const QString& action);

// Moving a folder to another parent rewrites its ".." entry, which needs write access to the
// folder itself: a read-only folder is opened for its owner while it moves, and closed again at
// its new place (closeAt) or, when it did not move, where it is.
class FolderOpenedForMove {
public:
    FolderOpenedForMove(const std::filesystem::path& folder, const std::filesystem::path& shown, const QString& action);
    ~FolderOpenedForMove();

    FolderOpenedForMove(const FolderOpenedForMove&) = delete;
    FolderOpenedForMove& operator=(const FolderOpenedForMove&) = delete;

    // Closes the folder again, now at `place`.
    void closeAt(const std::filesystem::path& place);

private:
    std::filesystem::path m_folder;
    std::optional<mode_t> m_mode;
};

} // namespace bramblet
