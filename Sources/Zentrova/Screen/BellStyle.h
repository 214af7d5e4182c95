#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace zentrova {

// How the view answers the bell.
enum class BellStyle { none, sound, visual, soundAndVisual };

inline constexpr std::array<BellStyle, 4> allBellStyles {
    BellStyle::none, BellStyle::sound, BellStyle::visual, BellStyle::soundAndVisual,
};

// The stable name hosts keep in settings ("soundAndVisual"), and the one shown in menus.
std::string_view tagName(BellStyle style);
std::string_view displayName(BellStyle style);
std::optional<BellStyle> bellStyleFromTagName(std::string_view text);

} // namespace zentrova
