#pragma once

#include <cstdint>
#include <optional>

namespace zentrova {

enum class UnderlineStyle : uint8_t { none = 0, single = 1, double_ = 2, curly = 3, dotted = 4, dashed = 5 };

// The style stored under `rawValue`; nothing for 6 and above.
constexpr std::optional<UnderlineStyle> underlineStyleFromRawValue(uint8_t rawValue)
{
    if (rawValue > uint8_t(UnderlineStyle::dashed))
        return std::nullopt;
    return UnderlineStyle(rawValue);
}

} // namespace zentrova
