#include "Zentrova/Graphics/KittyGraphicsControl.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace zentrova {
namespace {

std::optional<int64_t> parseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// An image or placement id: unsigned, 32 bits, 0 meaning none.
std::optional<uint32_t> parseId(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value == 0)
        return std::nullopt;
    return value;
}

std::optional<char> firstCharacter(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    return text.front();
}

void apply(KittyGraphicsControl& control, char key, std::string_view value)
{
    const auto integer = [&](int64_t& field, int64_t fallback = 0) { field = parseInteger(value).value_or(fallback); };
    switch (key) {
    case 'a': control.action = firstCharacter(value).value_or('t'); break;
    case 'q': integer(control.suppressResponses); break;
    case 'f': integer(control.format, 32); break;
    case 't': control.transmission = firstCharacter(value).value_or('d'); break;
    case 's': integer(control.width); break;
    case 'v': integer(control.height); break;
    case 'x': integer(control.cropX); break;
    case 'y': integer(control.cropY); break;
    case 'w': integer(control.cropWidth); break;
    case 'h': integer(control.cropHeight); break;
    case 'S': integer(control.dataSize); break;
    case 'O': integer(control.dataOffset); break;
    case 'i': control.imageId = parseId(value); break;
    case 'I': control.imageNumber = parseId(value); break;
    case 'p': control.placementId = parseId(value); break;
    case 'P': control.parentImageId = parseId(value); break;
    case 'Q': control.parentPlacementId = parseId(value); break;
    case 'H': integer(control.offsetH); break;
    case 'V': integer(control.offsetV); break;
    case 'X': integer(control.pixelOffsetX); break;
    case 'Y': integer(control.pixelOffsetY); break;
    case 'U': integer(control.unicodePlaceholder); break;
    case 'z': integer(control.zIndex); break;
    case 'm': integer(control.more); break;
    case 'o': control.compression = firstCharacter(value); break;
    case 'c': integer(control.columns); break;
    case 'r': integer(control.rows); break;
    case 'C': integer(control.cursorPolicy); break;
    case 'd': control.deleteMode = firstCharacter(value); break;
    default: break;
    }
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return uint8_t(c) < 0x80; });
}

} // namespace

KittyGraphicsControl::Parsed KittyGraphicsControl::parse(std::span<const uint8_t> content)
{
    Parsed parsed;
    const auto separator = std::find(content.begin(), content.end(), uint8_t(';'));
    const std::string_view keys(reinterpret_cast<const char*>(content.data()), size_t(separator - content.begin()));
    if (separator != content.end())
        parsed.payload = content.subspan(size_t(separator - content.begin()) + 1);

    size_t start = 0;
    while (start <= keys.size()) {
        const size_t comma = std::min(keys.find(',', start), keys.size());
        const std::string_view piece = keys.substr(start, comma - start);
        start = comma + 1;
        const size_t equals = piece.find('=');
        // A key is one letter; anything longer names no key of the table.
        if (equals != 1 || !isAscii(piece))
            continue;
        apply(parsed.control, piece.front(), piece.substr(2));
    }
    if (parsed.control.transmission != 'd')
        parsed.control.more = 0;
    return parsed;
}

} // namespace zentrova
