#pragma once

#include "BrambletCore/Models/EnumStrings.h"

#include <array>

namespace bramblet {

// How one relative path of a sync plan compares between the source and the destination tree.
enum class SyncKind {
    matching, // on both sides and judged equal (two folders always are: their entries carry the differences)
    added,    // only in the source
    changed,  // on both sides and judged different
    missing,  // only in the destination
};

inline constexpr std::array allSyncKinds {
    SyncKind::matching, SyncKind::added, SyncKind::changed, SyncKind::missing,
};

QString toString(SyncKind kind);

template <>
std::optional<SyncKind> fromString<SyncKind>(const QString& text);

} // namespace bramblet
