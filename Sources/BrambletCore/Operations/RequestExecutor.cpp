#include "BrambletCore/Operations/RequestExecutor.h"

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/FileNames.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "BrambletCore/Operations/Trash.h"
#include "BrambletCore/Operations/TreeCopier.h"
#include "BrambletCore/Operations/TreeFlush.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

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

// Renames without ever replacing what may have taken the name since it was last checked: a clash
// is the system's "File exists".
void renameWithoutReplacing(const fs::path& from, const fs::path& to, const QString& action)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL)
        throw systemError(errno, action, to);
    // A file system that cannot refuse to replace: check, then rename.
    if (itemExists(to))
        throw systemError(EEXIST, action, to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw systemError(errno, action, to);
}

// Gives the verified copy its name. Moving a folder to another parent rewrites its ".." entry,
// which needs write access to the folder itself, so a read-only folder is opened for the owner
// for the move and closed again once it is in place.
void place(const fs::path& payload, const fs::path& target)
{
    const QString action = QStringLiteral("Couldn’t move the verified copy to");
    struct stat status;
    if (::lstat(payload.c_str(), &status) != 0)
        throw systemError(errno, action, target);
    const bool readOnlyFolder = S_ISDIR(status.st_mode) && !(status.st_mode & S_IWUSR);
    if (readOnlyFolder && ::chmod(payload.c_str(), (status.st_mode & 07777) | S_IWUSR) != 0)
        throw systemError(errno, action, target);
    renameWithoutReplacing(payload, target, action);
    if (readOnlyFolder && ::chmod(target.c_str(), status.st_mode & 07777) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t set the permissions of"), target);
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

void removeItem(const fs::path& path)
{
    std::error_code error;
    fs::remove_all(path, error);
    if (error)
        throw systemError(error.value(), QStringLiteral("Couldn’t remove"), path);
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
        moveToTrash(source);
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
    if (!itemExists(source))
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
    const Manifest original = Manifest::of(source);
    reach(Step::manifested);
    TreeCopier::copy(source, staging.payload());
    reach(Step::copied);
    const auto [copy, sourceNow] = [&] {
        auto attempts = Manifest::ofEach({ staging.payload(), source });
        return std::pair { std::move(attempts[0]), std::move(attempts[1]) };
    }();
    if (copy.get() != original || sourceNow.get() != original)
        throw FileFailure(FileFailure::Kind::verificationFailed);
    reach(Step::verified);

    if (itemExists(target)) {
        if (request.conflict != ConflictPolicy::replace)
            return FileOutcome::conflict(target);
        moveToTrash(target);
    }
    place(staging.payload(), target);
    reach(Step::placed);

    if (request.action != FileAction::copy) {
        flushTree(target);
        if (Manifest::of(source) != original)
            throw FileFailure::system(QStringLiteral(
                "Destination was copied, but the source changed and was preserved. Review both locations."));
        removeItem(source);
    }
    return FileOutcome::completed(target);
}

} // namespace bramblet
