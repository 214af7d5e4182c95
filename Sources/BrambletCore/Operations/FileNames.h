#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

namespace bramblet {

// Throws FileFailure::invalidName for a typed name that is empty, "." or "..", or holds "/" or a
// control character (Unicode category Cc, NUL included). Any other name is accepted, ":" and
// format characters such as zero-width joiners too; there is no length limit here.
void validateName(const QString& name);

// Throws FileFailure::invalidName for what no file system takes as a name: empty, "." or "..",
// or holding "/". A copy or move keeps the name an item already has, so only this applies to it:
// an existing name with a line break or bytes that are not UTF-8 is carried over as it is.
void validateFileSystemName(std::string_view name);

// `name` with "_" and `number` (at least two digits) put before its extension: report.pdf with 2
// gives report_02.pdf, Photos gives Photos_02. A leading dot does not start an extension (.profile
// gives .profile_02). Works on the name's bytes, so a name that is not UTF-8 keeps every byte.
std::string numberedName(std::string_view name, qint64 number);

// The first of path_02, path_03, ... (as numberedName forms them) that names no existing item.
// Throws FileFailure::system("Too many duplicate names.") when the numbers run out, and a
// FileFailure::system that says so when the numbered name is longer than the folder's file system
// takes.
std::filesystem::path firstFreeNumberedPath(const std::filesystem::path& path);

} // namespace bramblet
