#pragma once

#include "BrambletCore/Files/ResourceKeys.h"
#include "BrambletCore/Models/FileItem.h"

#include <QByteArrayView>

#include <filesystem>

namespace bramblet {

// Reads one entry as a FileItem without following a final symbolic link: type, size and dates
// from statx (the creation date is the birth time, absent where the file system keeps none),
// the POSIX permission bits, hidden = a leading ".", and the tags from the extended attribute
// "user.xdg.tags".
//
// `directoryFd` and `name` locate the entry for the system calls (a folder's descriptor and an
// entry name, or AT_FDCWD and a whole path); `url` is the path the item records, and must name
// the same entry. Throws systemError() when the attributes cannot be read.
FileItem readItem(int directoryFd, const char* name, std::filesystem::path url, ResourceKeys keys);

// The tag names of a "user.xdg.tags" value: comma-separated UTF-8, empty names left out.
QStringList tagsFromAttribute(QByteArrayView value);

// The last component of a path as display text, trailing slashes ignored ("/a/b/" gives "b",
// "/" gives "/"); bytes that are not UTF-8 show as replacement characters, as in pathString().
QString lastComponentName(const std::filesystem::path& path);

// `folder` + "/" + `name`, made in one go: a listing makes one per entry.
std::filesystem::path childPath(const std::filesystem::path& folder, const char* name);

} // namespace bramblet
