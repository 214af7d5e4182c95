#pragma once

#include "BrambletCore/Operations/FileDescriptor.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace bramblet {

// Moves `item` to the desktop's Trash, written as other file managers and the trash tools read
// it: the item goes into the Trash's "files" folder and a record "<name>.trashinfo" into its
// "info" folder, giving the place it came from and when it was trashed.
//
// Everything works on the path's bytes, so a name that is not UTF-8, or that holds "%", a line
// break or a backslash, is trashed and later restored as it is. The record is written whole (never
// seen partial), marked as ours and forced to disk before the item moves: a crash in between
// leaves the item in place and an orphan record of ours, never an item in the Trash that cannot
// be put back. Our orphan records are removed by the next trash operation in that Trash and by
// removeIncompleteTrashRecords().
//
// Which Trash: the home Trash ($XDG_DATA_HOME/Trash) for an item on the same file system;
// otherwise the one at the top of the item's own file system, "$topdir/.Trash/$uid" when an
// administrator made ".Trash" (a sticky folder, not a link), else "$topdir/.Trash-$uid". Nothing is
// ever copied across file systems. When no Trash folder can be made the item stays in place and
// FileFailure::system says so; other failures are the system's errors, naming the item.
void moveToTrash(const std::filesystem::path& item);

// A place in the Trash made ready for one item before it moves: its record is written and
// flushed, its name in the Trash's "files" folder is free. The record goes again when the slot
// ends without an item in it. Failures as for moveToTrash().
class TrashSlot {
public:
    // For the item now at `original`, which must exist: its file system decides which Trash.
    explicit TrashSlot(const std::filesystem::path& original);
    ~TrashSlot();

    TrashSlot(const TrashSlot&) = delete;
    TrashSlot& operator=(const TrashSlot&) = delete;

    // Where the item lies in the Trash once taken.
    const std::filesystem::path& path() const { return m_path; }

    // Moves `item` (on the same file system as the original) into the slot.
    void take(const std::filesystem::path& item);

private:
    std::filesystem::path m_original;
    std::filesystem::path m_record;
    std::filesystem::path m_path;
    // The record, held locked while the slot waits for its item.
    std::optional<FileDescriptor> m_recordLock;
    bool m_holdsItem = false;
};

// Removes the records of ours in the home Trash whose item never arrived (the process was killed
// between the two), and our temporary records. Other programs' records are never touched, nor one
// a running request holds. Never throws.
void removeIncompleteTrashRecords();

// A path as a record's "Path=" holds it: every byte outside the characters a path may show
// plainly percent-encoded ("%" itself, line breaks, bytes that are not ASCII).
std::string trashInfoPath(std::string_view path);

} // namespace bramblet
