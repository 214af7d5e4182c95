#pragma once

#include "BrambletCore/Models/FileOutcome.h"
#include "BrambletCore/Models/FileRequest.h"

#include <functional>

namespace bramblet {

class Cancellation;
class StagingFolder;

// Carries out one FileRequest: copy, move, rename, move to Trash or new folder.
//
// A copy, move or rename never writes under the final name before a complete copy exists and has
// been verified: the item is copied into a hidden staging folder beside the destination while
// every byte written is hashed (the source's SHA-256 manifest as it was read), then the copy's
// manifest must equal it, and the source's manifest must still be the same after it (a source that changed while it was copied fails the
// request). Only then does the copy take its name. A move or rename removes its source only once
// the new item is flushed to disk and the source is proven unchanged once more, and then takes
// it out of sight in one rename before deleting it; a source that cannot be removed whole fails
// the request with a message that says the copy is complete (Operations/SourceRemoval.h).
// Replace exchanges the copy with the existing item in one step and leaves that in the Trash. A
// process killed at any point leaves every item whole (under its name, or in the Trash) and at
// most a hidden staging folder, which the next request in that folder, or the sweep at start-up
// (StagingFolder::sweepRecorded), removes; a hidden moved source is put back when its copy is not
// complete at the destination.
//
// Failures: FileFailure for our own refusals; a failed system call as the file service reports it
// (std::system_error made by systemError(), Files/SystemError.h). Runs on the calling thread from
// start to end; it hashes files on the shared thread pool as well while it waits.
class RequestExecutor {
public:
    // Points between the steps of a copy, move or rename, in the order they are reached.
    enum class Step {
        staged,     // the staging folder exists
        copied,     // the copy is in the staging folder, the source's manifest taken on the way
        verified,   // copy and source still match the manifest
        readyToExchange, // Replace only: the existing item's record is in the Trash, nothing moved yet
        displaced,  // Replace only: the copy has the name, the existing item waits for the Trash
        placed,     // the copy has its final name
        sourceHidden, // move and rename only: the source is out of sight, about to be deleted
        trashRecorded, // Move to Trash only: the record is written, the item not moved yet
    };
    using StepHook = std::function<void(Step)>;

    // `hook` is called at every step reached; tests use it to change the world between steps.
    explicit RequestExecutor(StepHook hook = {});

    // Cancellation is looked at once, before anything else; a request that has begun runs to its end.
    FileOutcome execute(const FileRequest& request, const Cancellation& cancellation) const;

private:
    static FileOutcome createFolder(const std::filesystem::path& target);
    FileOutcome transfer(const FileRequest& request, const std::filesystem::path& source,
                         std::filesystem::path target) const;
    void replace(const StagingFolder& staging, const std::filesystem::path& target) const;
    void reach(Step step) const;

    StepHook m_hook;
};

} // namespace bramblet
