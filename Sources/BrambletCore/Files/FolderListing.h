#pragma once

#include "BrambletCore/Models/FileItem.h"

#include <QList>

#include <filesystem>

namespace bramblet {

// The work of FileService::list(), on the calling thread.
QList<FileItem> listFolder(const std::filesystem::path& folder);

} // namespace bramblet
