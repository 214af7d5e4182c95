#pragma once

#include <QString>

#include <filesystem>

namespace bramblet {

// Throws FileFailure::invalidName for a name that is empty, "." or "..", or holds "/", ":" or a
// control or format character (Unicode categories Cc and Cf). Any other name is accepted; there is
// no length limit here.
void validateName(const QString& name);

// `name` with "_" and `number` (at least two digits) put before its extension: report.pdf with 2
// gives report_02.pdf, Photos gives Photos_02. A leading dot does not start an extension (.profile
// gives .profile_02).
QString numberedName(const QString& name, qint64 number);

// The first of path_02, path_03, ... (as numberedName forms them) that names no existing item.
// Throws FileFailure::system("Too many duplicate names.") when the numbers run out.
std::filesystem::path firstFreeNumberedPath(const std::filesystem::path& path);

} // namespace bramblet
