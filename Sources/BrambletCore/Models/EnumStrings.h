#pragma once

#include <QString>

#include <array>
#include <optional>

namespace bramblet {

// The case of a string-valued enumeration whose value equals `text` exactly (case-sensitive),
// or nothing. Each enumeration specialises it next to its own toString().
template <typename Enum>
std::optional<Enum> fromString(const QString& text);

// The usual body of those specialisations: the first of `cases` whose toString() is `text`.
template <typename Enum, size_t Count>
std::optional<Enum> caseNamed(const std::array<Enum, Count>& cases, const QString& text)
{
    for (auto value : cases) {
        if (toString(value) == text)
            return value;
    }
    return std::nullopt;
}

} // namespace bramblet
