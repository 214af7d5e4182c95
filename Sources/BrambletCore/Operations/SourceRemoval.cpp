#include "BrambletCore/Operations/SourceRemoval.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/ItemRename.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/OperationsLog.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "BrambletCore/Operations/StagingRecord.h"
#include "BrambletCore/Operations/TreeRemoval.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

// The record of a hidden source, beside it in the staging folder: NUL-terminated fields (no path
// holds a NUL), "source", its path, "target", its path, then the manifest's keys and fingerprints.
constexpr const char* recordName = "move";
// Present once the deletion of the hidden source has begun: from then on it is never put back,
// as it may be partial.
constexpr const char* removingName = "removing";
constexpr const char* payloadName = "payload";

struct MoveRecord {
    fs::path source;
    fs::path target;
    Manifest manifest;
};

void writeRecord(int folder, const MoveRecord& record, const fs::path& shown)
{
    std::vector<std::string> fields { "source", record.source.native(), "target", record.target.native() };
    for (const auto& [key, fingerprint] : record.manifest.entries()) {
        fields.push_back(key);
        fields.push_back(fingerprint);
    }
    writeStagingRecord(folder, recordName, fields, shown);
}

std::optional<MoveRecord> readRecord(int folder)
{
    const std::optional<std::vector<std::string>> fields = readStagingRecord(folder, recordName);
    if (!fields || fields->size() < 4 || fields->size() % 2 != 0 || (*fields)[0] != "source" || (*fields)[2] != "target")
        return std::nullopt;
    Manifest::Entries entries;
    for (size_t i = 4; i < fields->size(); i += 2)
        entries[(*fields)[i]] = (*fields)[i + 1];
    return MoveRecord { (*fields)[1], (*fields)[3], Manifest(std::move(entries)) };
}

bool holds(int folder, const char* name)
{
    struct stat status;
    return ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0;
}

void markRemoving(int folder)
{
    const FileDescriptor mark(::openat(folder, removingName, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
}

QString copyIsComplete(const fs::path& target)
{
    return QStringLiteral("The copy is complete at “%1”; the original could not be removed.").arg(pathString(target));
}

// "Couldn’t remove from “/folder”: “item/a/b” (Permission denied), …", naming the items by their
// paths in the folder `place` is in; at most five are named.
QString whatStayed(const std::vector<RemovalFailure>& failures, const fs::path& place)
{
    constexpr size_t named = 5;
    QStringList items;
    for (size_t i = 0; i < failures.size() && i < named; ++i) {
        const RemovalFailure& failure = failures[i];
        const fs::path item = failure.relative.empty() ? place.filename() : place.filename() / failure.relative;
        items << QStringLiteral("“%1” (%2)")
                     .arg(pathString(item), QString::fromStdString(std::generic_category().message(failure.error)));
    }
    if (failures.size() > named)
        items << QStringLiteral("and %1 more").arg(failures.size() - named);
    return QStringLiteral("Couldn’t remove from “%1”: %2.").arg(pathString(place.parent_path()), items.join(u", "));
}

} // namespace

void removeMovedSource(const fs::path& source, const fs::path& target, const Manifest& manifest,
                       const std::function<void()>& hidden)
{
    try {
        const StagingFolder staging(source.parent_path());
        writeRecord(staging.fd(), { source, target, manifest }, source.parent_path());
        const QString action = QStringLiteral("Couldn’t remove");
        {
            FolderOpenedForMove folder(source, source, action);
            renameWithoutReplacing(source, staging.payload(), action, source);
            folder.closeAt(staging.payload());
        }
        hidden();
        markRemoving(staging.fd());
        const std::vector<RemovalFailure> failures = removeTree(staging.fd(), payloadName);
        if (failures.empty())
            return;
        const fs::path place = renameToFreeName(staging.payload(), source, QStringLiteral("Couldn’t put back"));
        throw FileFailure::system(copyIsComplete(target) + u' ' + whatStayed(failures, place));
    } catch (const std::system_error& error) {
        throw FileFailure::system(copyIsComplete(target) + u' ' + QString::fromUtf8(error.what()) + u'.');
    }
}

void finishKilledMove(int folder, const fs::path& staging)
{
    const std::optional<MoveRecord> record = readRecord(folder);
    if (!record || !holds(folder, payloadName))
        return;
    bool remove = holds(folder, removingName);
    if (!remove) {
        try {
            remove = Manifest::of(record->target) == record->manifest;
        } catch (...) {
            // No complete copy at the destination: the source goes back.
        }
    }
    if (remove) {
        markRemoving(folder);
        const std::vector<RemovalFailure> failures = removeTree(folder, payloadName);
        if (failures.empty())
            return;
    }
    try {
        renameToFreeName(staging / payloadName, record->source, QStringLiteral("Couldn’t put back"));
    } catch (const std::exception& failure) {
        qCWarning(lcOperations).noquote() << QString::fromUtf8(failure.what());
    }
}

} // namespace bramblet
