#pragma once

#include "BrambletCore/Concurrency/SerialExecutor.h"
#include "BrambletCore/Files/NameIndex.h"
#include "BrambletCore/Files/ResourceKeys.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/FileOutcome.h"
#include "BrambletCore/Models/FileRequest.h"

#include <QFuture>
#include <QList>
#include <QString>

#include <filesystem>

namespace bramblet {

// Lists and searches folders for one owner (each pane has its own, the workspace one more) and
// changes the file system for the operations queue. An actor: every asynchronous operation runs
// on the service's own serial executor, one at a time, in the order called, and answers through a
// QFuture; callers continue with `future.then(context, ...)`. Instances share nothing.
//
// How failures arrive (in `onFailed`, or rethrown by QFuture::result()). Every one derives from
// std::runtime_error, and its what() is the sentence the user sees:
//  - FileFailure for the service's own failures;
//  - std::system_error for an error of the operating system, made with systemError()
//    (Files/SystemError.h): code() is the errno value in the generic category (so a pane can
//    ask `code() == std::errc::permission_denied`), what() names the item and the system's
//    reason. std::filesystem errors are not passed on as they are: their what() is not a
//    sentence for users;
//  - FileFailure(FileFailure::Kind::cancelled) when work notices that its caller cancelled the
//    future (a caller that cancelled does not normally look).
class FileService {
public:
    FileService();
    // A service that searches through `index` (tests point it at their own database or tool).
    explicit FileService(NameIndex index);
    // Waits for the operations already called; cancel a long search first.
    virtual ~FileService();

    FileService(const FileService&) = delete;
    FileService& operator=(const FileService&) = delete;

    // The folder's direct children, dot files included, in the order the file system gives them.
    // A folder that cannot be opened (missing, not a folder, not readable) fails with the
    // system's error; an entry that vanishes while the folder is read is left out; any other
    // entry that cannot be read fails the listing.
    virtual QFuture<QList<FileItem>> list(const std::filesystem::path& folder);

    // The entries anywhere below `root` whose names pass FilenameFilter(query), hidden ones only
    // with `showHidden`; unsorted. Asks the system's file-name index and walks the folder where
    // the index cannot answer (see searchFolder()). Cancelling the future stops the work once the
    // index tool has ended, or before the next entry of a walk; a cancelled search returns nothing.
    virtual QFuture<QList<FileItem>> search(const std::filesystem::path& root, const QString& query,
                                            bool showHidden);

    // One item's attributes, read now on the calling thread; a final symbolic link is not
    // followed. `url` is kept as given (not resolved). Safe from any thread.
    virtual FileItem itemAt(const std::filesystem::path& url, ResourceKeys keys) const;

    // Carries out one request: copy, move, rename, move to Trash or new folder (see
    // Operations/RequestExecutor.h). A copy, move or rename is built in a hidden staging folder
    // and verified against the source before it takes its name. Cancelling the future keeps a
    // request from starting; one that has begun runs to its end and holds this service until then.
    virtual QFuture<FileOutcome> execute(const FileRequest& request);

    // Settles what requests of an earlier run that was killed left behind (hidden staging folders,
    // a moved source out of sight, our Trash records whose item never arrived; see
    // StagingFolder::sweepRecorded and removeIncompleteTrashRecords), on the executor, so before
    // any request called after it. Never fails.
    virtual QFuture<void> sweepLeftovers();

    // Throws FileFailure::invalidName for a typed name no item may have: empty, "." or "..", or
    // holding "/" or a control character.
    static void validateName(const QString& name);

private:
    NameIndex m_nameIndex;
    // Last, so that it is destroyed first: its destructor waits for work that uses the members above.
    SerialExecutor m_executor;
};

} // namespace bramblet
