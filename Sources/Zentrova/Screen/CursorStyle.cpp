#include "Zentrova/Screen/CursorStyle.h"

#include "Zentrova/Screen/TagNames.h"

namespace zentrova {
namespace {

constexpr std::array<EnumNames<CursorStyle>, 6> names { {
    { CursorStyle::blinkBlock, "blinkBlock", "Blinking Block" },
    { CursorStyle::steadyBlock, "steadyBlock", "Steady Block" },
    { CursorStyle::blinkUnderline, "blinkUnderline", "Blinking Underline" },
    { CursorStyle::steadyUnderline, "steadyUnderline", "Steady Underline" },
    { CursorStyle::blinkBar, "blinkBar", "Blinking Bar" },
    { CursorStyle::steadyBar, "steadyBar", "Steady Bar" },
} };

} // namespace

std::string_view tagName(CursorStyle style)
{
    return namesOf(names, style).tagName;
}

std::string_view displayName(CursorStyle style)
{
    return namesOf(names, style).displayName;
}

std::optional<CursorStyle> cursorStyleFromTagName(std::string_view text)
{
    return caseWithTagName(names, text);
}

} // namespace zentrova
