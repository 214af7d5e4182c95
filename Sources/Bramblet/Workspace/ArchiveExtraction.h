#pragma once

#include <filesystem>

namespace bramblet {

// Opened .zip archives are unpacked for browsing, each into a folder of its own in the folder of
// the run (see ArchiveRunFolder), which goes when the program quits. A folder that exists there
// always holds a complete extraction: archives are unpacked beside it and renamed into place only
// once every entry is written.

// "BrambletArchives" in the session's runtime folder ($XDG_RUNTIME_DIR), or in the user's cache
// folder when the session has none: the folder of the run folders. Read anew on each call.
std::filesystem::path archivesRoot();

// The folder that shows `archive` under `root` (a run folder): the decimal hash of the archive's path, mixed with
// a seed drawn once per process, so the name stays the same for one archive during a run and
// differs between runs.
std::filesystem::path extractionFolder(const std::filesystem::path& root, const std::filesystem::path& archive);

// Unpacks the zip archive `archive` into `folder` (under the root, see above); reads the whole
// archive, so it belongs on a worker thread. The root is made (mode 0700) when missing and must
// be a real folder of this user that no one else may enter. Entries with absolute paths, ".."
// components or a path through a symbolic link are refused. Throws FileFailure (system) with the
// archive library's or the system's reason; nothing is left at `folder` then. A folder that
// appeared at `folder` meanwhile (another extraction of the same archive) is kept.
void extractArchive(const std::filesystem::path& archive, const std::filesystem::path& folder);

} // namespace bramblet
