#pragma once

#include "BrambletCore/Models/ConflictPolicy.h"
#include "BrambletCore/Models/FileAction.h"

#include <filesystem>

namespace bramblet {

// One unit of work for the file service.
//   copy, move, rename: `source` is the item, `destination` the full path it is to have.
//   trash:              `source` is the item; `destination` is not consulted.
//   createFolder:       `destination` is the folder to create; `source` is not consulted.
struct FileRequest {
    FileAction action = FileAction::copy;
    std::filesystem::path source;
    std::filesystem::path destination;
    ConflictPolicy conflict = ConflictPolicy::ask;

    bool operator==(const FileRequest&) const = default;
};

} // namespace bramblet
