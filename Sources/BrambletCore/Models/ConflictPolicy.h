#pragma once

#include "BrambletCore/Models/EnumStrings.h"

#include <array>

namespace bramblet {

// What a request does when its destination name is already taken.
enum class ConflictPolicy {
    ask,      // write nothing; end with a conflict outcome so the caller can ask the user
    skip,     // write nothing; end with a skipped outcome
    keepBoth, // write beside the existing item under the first free numbered name (report_02.pdf)
    replace,  // once the new copy is staged and verified, trash the existing item and take its place
};

inline constexpr std::array allConflictPolicies {
    ConflictPolicy::ask, ConflictPolicy::skip, ConflictPolicy::keepBoth, ConflictPolicy::replace,
};

QString toString(ConflictPolicy policy);

template <>
std::optional<ConflictPolicy> fromString<ConflictPolicy>(const QString& text);

} // namespace bramblet
