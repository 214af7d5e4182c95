#pragma once

#include <QFlags>

namespace bramblet {

// The attributes FileService::itemAt() fills in; a FileItem field whose key is left out keeps
// its empty value (false, 0, no date, no tags). The permission bits are always read.
enum class ResourceKey : unsigned {
    isDirectory = 1u << 0,
    isSymbolicLink = 1u << 1,
    isHidden = 1u << 2,
    fileSize = 1u << 3,
    contentModificationDate = 1u << 4,
    creationDate = 1u << 5,
    tagNames = 1u << 6,
};
Q_DECLARE_FLAGS(ResourceKeys, ResourceKey)
Q_DECLARE_OPERATORS_FOR_FLAGS(ResourceKeys)

// Everything a pane shows: the set that listing and search read.
inline constexpr ResourceKeys listingKeys = ResourceKey::isDirectory | ResourceKey::isSymbolicLink
    | ResourceKey::isHidden | ResourceKey::fileSize | ResourceKey::contentModificationDate | ResourceKey::creationDate
    | ResourceKey::tagNames;

} // namespace bramblet
