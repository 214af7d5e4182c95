#pragma once

#include <QString>

#include <filesystem>

namespace bramblet {

// Throws the operating system's error about one item the way the file service reports it: a
// std::system_error whose code() is `error` in the generic category and whose what() names the
// action, the item and the system's reason ("Couldn’t open “/srv/a”: Permission denied").
[[noreturn]] void throwSystemError(int error, const QString& action, const std::filesystem::path& item);

} // namespace bramblet
