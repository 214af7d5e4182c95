#pragma once

#include <filesystem>

namespace bramblet {

// Copies one item, as a file manager's copy does: a folder with everything in it, a symbolic link
// as a link with its stored target unchanged, a regular file by content. Permission bits,
// access and modification times and extended attributes go along. Anything else (device, socket,
// named pipe) throws FileFailure::unsupportedItem; system errors are thrown as they come.
class TreeCopier {
public:
    // `destination` must not exist yet; its parent must.
    static void copy(const std::filesystem::path& source, const std::filesystem::path& destination);
};

} // namespace bramblet
