#pragma once

#include "BrambletCore/Operations/FileDescriptor.h"

#include <filesystem>
#include <string_view>

namespace bramblet {

// The folder that holds one run's archive extractions: "run-<UUID>" under the archives root (see
// archivesRoot()). It carries the marker file ".bramblet-extractions", which this object keeps
// locked while it lives (an exclusive lock that the system drops when the process ends, however
// it ends); the destructor removes the folder with everything in it.
//
// The folders that runs which crashed or were killed left behind are removed by sweepLeftovers()
// at start-up: only folders with the marker, and only while no one holds its lock, so the folder
// of another running window (a --temporary one) is never touched.
class ArchiveRunFolder {
public:
    // Makes the root private (see preparePrivateFolder) and the run's folder in it, marked and
    // locked. Throws FileFailure (system) naming what could not be made.
    explicit ArchiveRunFolder(const std::filesystem::path& root);
    ~ArchiveRunFolder();

    ArchiveRunFolder(const ArchiveRunFolder&) = delete;
    ArchiveRunFolder& operator=(const ArchiveRunFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Removes the run folders under `root` whose marker no running process holds. Never throws:
    // what cannot be read or removed is left for a later sweep.
    static void sweepLeftovers(const std::filesystem::path& root);

    static constexpr std::string_view namePrefix = "run-";
    static constexpr std::string_view markerName = ".bramblet-extractions";

private:
    std::filesystem::path m_path;
    FileDescriptor m_marker;
};

} // namespace bramblet
