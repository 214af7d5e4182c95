#include "Zentrova/Search/SearchLine.h"

#include <algorithm>

namespace zentrova {

int SearchLine::characterCount() const
{
    return characterStarts.empty() ? int(text.size()) : int(characterStarts.size()) - 1;
}

int32_t SearchLine::utf16Offset(int character) const
{
    return characterStarts.empty() ? character : characterStarts[size_t(character)];
}

int SearchLine::characterAt(int32_t utf16Offset) const
{
    if (characterStarts.empty())
        return utf16Offset;
    const auto found = std::upper_bound(characterStarts.begin(), characterStarts.end() - 1, utf16Offset);
    return int(found - characterStarts.begin()) - 1;
}

int SearchLine::charactersBefore(int32_t utf16Offset) const
{
    if (characterStarts.empty())
        return utf16Offset;
    const auto found = std::lower_bound(characterStarts.begin(), characterStarts.end() - 1, utf16Offset);
    return int(found - characterStarts.begin());
}

bool SearchLine::characterIsOneOf(int character, std::u16string_view set) const
{
    const int32_t start = utf16Offset(character);
    if (utf16Offset(character + 1) - start != 1)
        return false;
    return set.find(text[size_t(start)]) != std::u16string_view::npos;
}

} // namespace zentrova
