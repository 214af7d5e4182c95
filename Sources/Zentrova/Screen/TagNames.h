#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace zentrova {

// The two names of a case of an enumeration that hosts store and show: a stable tag for settings and a
// display name for menus.
template <typename Enum>
struct EnumNames {
    Enum value;
    std::string_view tagName;
    std::string_view displayName;
};

template <typename Enum, size_t Count>
constexpr const EnumNames<Enum>& namesOf(const std::array<EnumNames<Enum>, Count>& table, Enum value)
{
    for (const auto& entry : table) {
        if (entry.value == value)
            return entry;
    }
    return table[0];
}

// The first case whose tag equals `text` exactly (case-sensitive), or nothing.
template <typename Enum, size_t Count>
std::optional<Enum> caseWithTagName(const std::array<EnumNames<Enum>, Count>& table, std::string_view text)
{
    for (const auto& entry : table) {
        if (entry.tagName == text)
            return entry.value;
    }
    return std::nullopt;
}

} // namespace zentrova
