#pragma once

#include <QString>

#include <filesystem>
#include <system_error>

namespace bramblet {

// An error of the operating system about one item, the way the file service reports it.
// code() is the errno value in the generic category, so callers can ask
// `code() == std::errc::permission_denied`; what() is a sentence for the user that names the
// item and gives the system's reason:
//     systemError(EACCES, u"Couldn’t open the folder"_s, "/srv/private").what()
//     == "Couldn’t open the folder “/srv/private”: Permission denied"
std::system_error systemError(int error, const QString& action, const std::filesystem::path& item);

// The errors that say an item is gone (ENOENT, ENOTDIR): an entry that vanished between being
// found and being read.
bool isVanished(const std::system_error& error);

} // namespace bramblet
