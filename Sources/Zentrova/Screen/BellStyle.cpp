#include "Zentrova/Screen/BellStyle.h"

#include "Zentrova/Screen/TagNames.h"

namespace zentrova {
namespace {

constexpr std::array<EnumNames<BellStyle>, 4> names { {
    { BellStyle::none, "none", "None" },
    { BellStyle::sound, "sound", "Sound" },
    { BellStyle::visual, "visual", "Visual" },
    { BellStyle::soundAndVisual, "soundAndVisual", "Sound and Visual" },
} };

} // namespace

std::string_view tagName(BellStyle style)
{
    return namesOf(names, style).tagName;
}

std::string_view displayName(BellStyle style)
{
    return namesOf(names, style).displayName;
}

std::optional<BellStyle> bellStyleFromTagName(std::string_view text)
{
    return caseWithTagName(names, text);
}

} // namespace zentrova
