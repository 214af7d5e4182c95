#pragma once

#include "BrambletCore/Operations/Manifest.h"

#include <filesystem>

namespace bramblet {

// Copies one item, as a file manager's copy does: a folder with everything in it, a symbolic link
// as a link with its stored target unchanged, a regular file by content. Permission bits,
// access and modification times and extended attributes go along. Anything else (device, socket,
// named pipe) throws FileFailure::unsupportedItem; system errors are thrown as they come.
//
// Every byte written is hashed on its way, so the copy also gives the source's manifest as it was
// read: a later manifest of the copy, or of the source, that differs from it shows a copy that
// went wrong or a source that changed meanwhile. Files are copied on all cores at once, largest
// first, each through one buffer of at most 1 MiB; folders get their dates and permissions once
// everything in them is in.
class TreeCopier {
public:
    // `destination` must not exist yet; its parent must.
    static Manifest copy(const std::filesystem::path& source, const std::filesystem::path& destination);
};

} // namespace bramblet
