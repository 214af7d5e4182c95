#include "BrambletCore/Operations/DisplacedItem.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/ItemRename.h"
#include "BrambletCore/Operations/OperationsLog.h"
#include "BrambletCore/Operations/StagingRecord.h"
#include "BrambletCore/Operations/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

constexpr const char* noteName = "replace";

std::string identity(const struct stat& status)
{
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

} // namespace

void noteDisplacement(int folder, const fs::path& payload, const fs::path& target)
{
    struct stat copy;
    if (::lstat(payload.c_str(), &copy) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t replace"), target);
    writeStagingRecord(folder, noteName, { "target", target.native(), "copy", identity(copy) }, target.parent_path());
}

void finishKilledReplace(int folder, const fs::path& staging)
{
    const auto note = readStagingRecord(folder, noteName);
    struct stat payload;
    if (!note || note->size() != 4 || (*note)[0] != "target" || (*note)[2] != "copy"
        || ::fstatat(folder, "payload", &payload, AT_SYMLINK_NOFOLLOW) != 0 || identity(payload) == (*note)[3])
        return;
    const fs::path displaced = staging / "payload";
    const fs::path target = (*note)[1];
    try {
        try {
            const QString action = QStringLiteral("Couldn’t move to the Trash");
            FolderOpenedForMove folderForMove(displaced, target, action);
            TrashSlot slot(target);
            slot.take(displaced);
            folderForMove.closeAt(slot.path());
        } catch (const std::exception& failure) {
            qCWarning(lcOperations).noquote() << QString::fromUtf8(failure.what());
            renameToFreeName(displaced, target, QStringLiteral("Couldn’t put back"));
        }
    } catch (const std::exception& failure) {
        qCWarning(lcOperations).noquote() << QString::fromUtf8(failure.what());
    }
}

} // namespace bramblet
