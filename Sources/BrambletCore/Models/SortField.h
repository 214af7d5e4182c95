#pragma once

#include "BrambletCore/Models/EnumStrings.h"

#include <array>

namespace bramblet {

// The sort key of a pane.
enum class SortField {
    name,
    size,
    modified,
};

inline constexpr std::array allSortFields { SortField::name, SortField::size, SortField::modified };

QString toString(SortField field);

template <>
std::optional<SortField> fromString<SortField>(const QString& text);

} // namespace bramblet
