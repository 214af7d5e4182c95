#pragma once

#include "BrambletCore/Models/EnumStrings.h"

#include <array>

namespace bramblet {

// The kind of a file request.
enum class FileAction {
    copy,
    move,
    rename,
    trash,
    createFolder,
};

inline constexpr std::array allFileActions {
    FileAction::copy, FileAction::move, FileAction::rename, FileAction::trash, FileAction::createFolder,
};

// The stored value: "copy", "move", "rename", "trash", "createFolder".
QString toString(FileAction action);

// What menus, confirmations and the activity log call it: "Copy" ... "New Folder".
QString title(FileAction action);

template <>
std::optional<FileAction> fromString<FileAction>(const QString& text);

} // namespace bramblet
