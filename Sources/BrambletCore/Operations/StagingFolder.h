#pragma once

#include "BrambletCore/Operations/FileDescriptor.h"

#include <filesystem>
#include <string_view>

namespace bramblet {

// The hidden folder ".bramblet-<UUID>" in which a copy is built beside its destination, on the
// destination's own volume, before it takes its final name (and into which a moved source is
// taken out of sight before it is deleted). It lives exactly as long as this object: the
// destructor removes it with everything in it, on every way out of a request. A removal that
// fails is written to the log and changes nothing else.
//
// While it lives, the folder is locked (an exclusive lock on the open folder, which the system
// drops when the process ends, however it ends), and right after it is made it gets a marker file,
// which tells it from a user's folder of a similar name. A staging folder whose lock is free
// belongs to a request that was killed or crashed and can hold a whole copy: sweepLeftovers()
// removes such folders (a moved source or a displaced item in one is first put back, removed or
// trashed as its record says; see SourceRemoval.h and DisplacedItem.h). Sweeping before a request
// is its caller's part. One that another request still holds is never touched, and neither is
// anything the user made: only a folder with exactly our name form (prefix and an upper-case UUID)
// that holds our marker, or nothing at all, is ours.
class StagingFolder {
public:
    // Creates and locks the folder in `parent` (missing parents are not created). A folder that
    // cannot be written in is the system's error naming it.
    explicit StagingFolder(const std::filesystem::path& parent);
    ~StagingFolder();

    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder, open.
    int fd() const { return m_lock.get(); }
    // Where the copy under construction goes. Reached through the open folder's descriptor
    // (/proc/self/fd/N/payload) where the system offers that, so that the staging folder's own
    // path never counts against the longest path the system takes: any item whose final path
    // fits can be built here, however deep it is.
    std::filesystem::path payload() const;

    // Removes the staging folders in `parent` that no running request holds. Never throws: what
    // cannot be read or removed is left for a later sweep.
    static void sweepLeftovers(const std::filesystem::path& parent);

    // The start-up sweep: sweeps every folder in which a staging folder was made and never
    // removed, as a journal in the user's state folder ($XDG_STATE_HOME/Bramblet/staging) keeps
    // them. Never throws.
    static void sweepRecorded();

    static constexpr std::string_view namePrefix = ".bramblet-";
    // The marker file inside every staging folder.
    static constexpr std::string_view markerName = "marker";

    // `name` has the form of a staging folder's name: the prefix and a UUID in upper case.
    static bool isStagingName(std::string_view name);

private:
    struct Created;
    static Created create(const std::filesystem::path& parent);
    explicit StagingFolder(Created&& created);

    std::filesystem::path m_path;
    FileDescriptor m_lock;
    // Its record in the journal, locked; invalid when there is no journal.
    FileDescriptor m_record;
};

} // namespace bramblet
