#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace zentrova {

enum class CursorStyle { blinkBlock, steadyBlock, blinkUnderline, steadyUnderline, blinkBar, steadyBar };

inline constexpr std::array<CursorStyle, 6> allCursorStyles {
    CursorStyle::blinkBlock,      CursorStyle::steadyBlock, CursorStyle::blinkUnderline,
    CursorStyle::steadyUnderline, CursorStyle::blinkBar,    CursorStyle::steadyBar,
};

// The stable name hosts keep in settings ("steadyBar"), and the one shown in menus ("Steady Bar").
std::string_view tagName(CursorStyle style);
std::string_view displayName(CursorStyle style);
std::optional<CursorStyle> cursorStyleFromTagName(std::string_view text);

} // namespace zentrova
