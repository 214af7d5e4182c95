#pragma once

#include <filesystem>

namespace bramblet {

// Forces an item that was just put in place onto the disk, with the entry that names it: a
// regular file is flushed on its own, a folder with everything in it by flushing its whole file
// system at once (one syncfs is far cheaper than an fsync per item: about 1 s against more than
// a minute for 20,000 files), then the folder holding the item. A move removes its source only
// after this, so a power loss right after the move cannot lose both copies. System errors as
// they come.
void flushTree(const std::filesystem::path& root);

} // namespace bramblet
