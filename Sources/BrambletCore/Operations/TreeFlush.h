#pragma once

#include <filesystem>

namespace bramblet {

// Forces an item that was just put in place onto the disk: every regular file and folder in the
// tree at `root` (symbolic links live in their folder's entries), then the folder holding `root`,
// which records its name. A move removes its source only after this, so a power loss right
// after the move cannot lose both copies. System errors as they come.
void flushTree(const std::filesystem::path& root);

} // namespace bramblet
