#include "BrambletCore/Operations/RequestExecutor.h"

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/DisplacedItem.h"
#include "BrambletCore/Operations/FileNames.h"
#include "BrambletCore/Operations/ItemRename.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/SourceRemoval.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "BrambletCore/Operations/Trash.h"
#include "BrambletCore/Operations/TreeCopier.h"
#include "BrambletCore/Operations/TreeFlush.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

// Absolute, without "." and ".." steps and without a trailing separator.
fs::path standardised(const fs::path& path)
{
    std::error_code error;
    fs::path normal = fs::absolute(path, error).lexically_normal();
    if (error)
        throw systemError(error.value(), QStringLiteral("Couldn’t find"), path);
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

// A symbolic link counts as existing even when its target is missing.
bool itemExists(const fs::path& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

// Whether the source is there. Any other failure than its absence (a path too long, a folder on
// the way that may not be searched) is the system's error, naming it.
bool sourceExists(const fs::path& source)
{
    struct stat status;
    if (::lstat(source.c_str(), &status) == 0)
        return true;
    if (errno == ENOENT || errno == ENOTDIR)
        return false;
    throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), source);
}

// Gives the verified copy its name.
void place(const fs::path& payload, const fs::path& target)
{
    const QString action = QStringLiteral("Couldn’t move the verified copy to");
    FolderOpenedForMove folder(payload, target, action);
    renameWithoutReplacing(payload, target, action, target);
    folder.closeAt(target);
}

// A system error about something inside the staging folder, told about the destination the user
// chose instead: the hidden folder means nothing to them.
std::system_error atDestination(const std::system_error& error, const fs::path& payload, const fs::path& target)
{
    std::string text = error.what();
    const std::string reason = ": " + error.code().message();
    if (text.ends_with(reason))
        text.resize(text.size() - reason.size());
    const std::string staged = pathString(payload).toStdString();
    const std::string chosen = pathString(target).toStdString();
    for (size_t at = text.find(staged); at != std::string::npos; at = text.find(staged, at + chosen.size()))
        text.replace(at, staged.size(), chosen);
    return std::system_error(error.code(), text);
}

template <typename Work>
auto namingDestination(const fs::path& payload, const fs::path& target, const Work& work)
{
    try {
        return work();
    } catch (const std::system_error& error) {
        throw atDestination(error, payload, target);
    }
}

// The path with the symbolic links in it resolved, as far as it exists.
fs::path resolved(const fs::path& path)
{
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    if (error)
        throw systemError(error.value(), QStringLiteral("Couldn’t resolve"), path);
    return result;
}

QString nameOf(const fs::path& path)
{
    return pathString(path.filename());
}

} // namespace

RequestExecutor::RequestExecutor(StepHook hook)
    : m_hook(std::move(hook))
{
}

void RequestExecutor::reach(Step step) const
{
    if (m_hook)
        m_hook(step);
}

FileOutcome RequestExecutor::execute(const FileRequest& request, const Cancellation& cancellation) const
{
    if (cancellation.isCancelled())
        throw FileFailure(FileFailure::Kind::cancelled);
    // The source is not consulted for a new folder, nor the destination for the Trash.
    const auto target = [&] {
        const fs::path destination = standardised(request.destination);
        return resolved(destination.parent_path()) / destination.filename();
    };

    switch (request.action) {
    case FileAction::trash: {
        const fs::path source = standardised(request.source);
        TrashSlot slot(source);
        reach(Step::trashRecorded);
        slot.take(source);
        return FileOutcome::completed(source);
    }
    case FileAction::createFolder:
        return createFolder(target());
    case FileAction::copy:
    case FileAction::move:
    case FileAction::rename:
        return transfer(request, standardised(request.source), target());
    }
    Q_UNREACHABLE();
}

FileOutcome RequestExecutor::createFolder(const fs::path& target)
{
    validateName(nameOf(target));
    if (itemExists(target))
        return FileOutcome::conflict(target);
    if (::mkdir(target.c_str(), 0777) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t create the folder"), target);
    return FileOutcome::completed(target);
}

FileOutcome RequestExecutor::transfer(const FileRequest& request, const fs::path& source, fs::path target) const
{
    // Only a rename gives the item a name someone typed.
    if (request.action == FileAction::rename)
        validateName(nameOf(target));
    else
        validateFileSystemName(target.filename().native());
    // What killed requests left where this one reads and writes goes first: a move's hidden
    // source may come back under its name, and a conflict or skip leaves nothing behind either.
    StagingFolder::sweepLeftovers(target.parent_path());
    if (source.parent_path() != target.parent_path()
        && (request.action != FileAction::copy || !sourceExists(source)))
        StagingFolder::sweepLeftovers(source.parent_path());
    if (!sourceExists(source))
        throw FileFailure(FileFailure::Kind::missingSource);
    const fs::path resolvedSource = resolved(source);
    const fs::path resolvedTarget = resolved(target);
    if (resolvedSource == resolvedTarget)
        throw FileFailure(FileFailure::Kind::sameLocation);
    struct stat status;
    if (::lstat(source.c_str(), &status) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t read the attributes of"), source);
    if (S_ISDIR(status.st_mode) && resolvedTarget.native().starts_with(resolvedSource.native() + "/"))
        throw FileFailure(FileFailure::Kind::nestedDestination);

    if (itemExists(target)) {
        switch (request.conflict) {
        case ConflictPolicy::ask:
            return FileOutcome::conflict(target);
        case ConflictPolicy::skip:
            return FileOutcome::skipped(target);
        case ConflictPolicy::keepBoth:
            target = firstFreeNumberedPath(target);
            break;
        case ConflictPolicy::replace:
            break;
        }
    }

    const StagingFolder staging(target.parent_path());
    reach(Step::staged);
    // The source's manifest as it was read for the copy: the bytes written are the bytes hashed.
    const Manifest original
        = namingDestination(staging.payload(), target, [&] { return TreeCopier::copy(source, staging.payload()); });
    reach(Step::copied);
    const auto [copy, sourceNow] = [&] {
        auto attempts = Manifest::ofEach({ staging.payload(), source });
        return std::pair { std::move(attempts[0]), std::move(attempts[1]) };
    }();
    if (namingDestination(staging.payload(), target, [&, &copied = copy] { return copied.get() != original; })
        || sourceNow.get() != original)
        throw FileFailure(FileFailure::Kind::verificationFailed);
    reach(Step::verified);

    if (itemExists(target)) {
        if (request.conflict != ConflictPolicy::replace)
            return FileOutcome::conflict(target);
        replace(staging, target);
    } else {
        place(staging.payload(), target);
    }
    reach(Step::placed);

    if (request.action != FileAction::copy) {
        flushTree(target);
        if (Manifest::of(source) != original)
            throw FileFailure::system(QStringLiteral(
                "Destination was copied, but the source changed and was preserved. Review both locations."));
        removeMovedSource(source, target, original, [this] { reach(Step::sourceHidden); });
    }
    return FileOutcome::completed(target);
}

void RequestExecutor::replace(const StagingFolder& staging, const fs::path& target) const
{
    const QString action = QStringLiteral("Couldn’t replace");
    const fs::path payload = staging.payload();
    FolderOpenedForMove copy(payload, target, action);
    FolderOpenedForMove existing(target, target, action);
    // The existing item's record is in the Trash before anything moves; one exchange then gives
    // the copy the name, and the displaced item goes on to the Trash. At no moment is the name
    // empty, no record ever stands for the copy, and the note lets a sweep after a kill send the
    // displaced item on from the staging folder instead of deleting it.
    TrashSlot slot(target);
    noteDisplacement(staging.fd(), payload, target);
    reach(Step::readyToExchange);
    if (::renameat2(AT_FDCWD, payload.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
        if (errno != EINVAL)
            throw systemError(errno, action, target);
        // A file system that cannot exchange: trash the existing item, then place.
        slot.take(target);
        existing.closeAt(slot.path());
        renameWithoutReplacing(payload, target, action, target);
        copy.closeAt(target);
        return;
    }
    copy.closeAt(target);
    reach(Step::displaced);
    try {
        slot.take(payload);
    } catch (const std::system_error&) {
        // The displaced item must not stay where the staging folder's removal would take it.
        if (::renameat2(AT_FDCWD, payload.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0)
            renameToFreeName(payload, target, action);
        existing.closeAt(target);
        throw;
    }
    existing.closeAt(slot.path());
}

} // namespace bramblet
