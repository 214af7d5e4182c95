#include "Bramblet/Workspace/ArchiveRunFolder.h"

#include "BrambletCore/Files/PrivateFolder.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"

#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace bramblet {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void failWithErrno(const fs::path& item)
{
    throw FileFailure::system(
        QStringLiteral("\u201c%1\u201d: %2").arg(pathString(item), QString::fromLocal8Bit(std::strerror(errno))));
}

// Unpacked folders may be read-only; the owner gets back the right to empty each one before the
// tree is removed.
void removeTree(const fs::path& folder)
{
    std::error_code error;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ignored);
    }
    fs::remove_all(folder, error);
}

// The marker of `folder`, opened and locked; invalid when there is none or someone holds it.
FileDescriptor freeMarker(const fs::path& folder)
{
    FileDescriptor marker(::open((folder / ArchiveRunFolder::markerName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (marker.get() < 0 || ::flock(marker.get(), LOCK_EX | LOCK_NB) != 0)
        return FileDescriptor(-1);
    return marker;
}

// Makes the marker of `folder` locked before it takes its name, so that a sweep never finds it
// free while this run lives.
FileDescriptor lockedMarker(const fs::path& folder)
{
    const fs::path unnamed = folder / ".marking";
    FileDescriptor marker(::open(unnamed.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (marker.get() < 0 || ::flock(marker.get(), LOCK_EX | LOCK_NB) != 0
        || ::rename(unnamed.c_str(), (folder / ArchiveRunFolder::markerName).c_str()) != 0)
        failWithErrno(unnamed);
    return marker;
}

fs::path makeRunFolder(const fs::path& root)
{
    preparePrivateFolder(root);
    const fs::path folder = root
        / (std::string(ArchiveRunFolder::namePrefix)
           + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString());
    if (::mkdir(folder.c_str(), 0700) != 0)
        failWithErrno(folder);
    return folder;
}

// The new run folder marked, or removed again when it cannot be.
FileDescriptor markRunFolder(const fs::path& folder)
{
    try {
        return lockedMarker(folder);
    } catch (...) {
        removeTree(folder);
        throw;
    }
}

} // namespace

ArchiveRunFolder::ArchiveRunFolder(const fs::path& root)
    : m_path(makeRunFolder(root))
    , m_marker(markRunFolder(m_path))
{
}

ArchiveRunFolder::~ArchiveRunFolder()
{
    // Removed while still locked, so that no sweep starts on it halfway.
    removeTree(m_path);
}

void ArchiveRunFolder::sweepLeftovers(const fs::path& root)
{
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().native().starts_with(namePrefix))
            folders.push_back(it->path());
    }
    for (const auto& folder : folders) {
        // Held while the folder goes, so that a sweep of another start skips it.
        if (const FileDescriptor marker = freeMarker(folder); marker.get() >= 0)
            removeTree(folder);
    }
}

} // namespace bramblet
