#include "Zentrova/Screen/CharData.h"

#include "Zentrova/Screen/Utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace zentrova {
namespace {

using Color = Attribute::Color;

// The nearest entry of the 256-colour palette's cube (16-231) or grey ramp (232-255) by squared RGB
// distance.
uint8_t nearestPaletteIndex(uint8_t red, uint8_t green, uint8_t blue)
{
    static constexpr std::array<int, 6> levels { 0, 95, 135, 175, 215, 255 };
    auto nearestLevel = [](int value) {
        int best = 0;
        for (int i = 1; i < 6; i++) {
            if (std::abs(levels[i] - value) < std::abs(levels[best] - value))
                best = i;
        }
        return best;
    };
    auto distance = [&](int r, int g, int b) {
        return (r - red) * (r - red) + (g - green) * (g - green) + (b - blue) * (b - blue);
    };
    int r = nearestLevel(red), g = nearestLevel(green), b = nearestLevel(blue);
    int cubeDistance = distance(levels[r], levels[g], levels[b]);
    int grey = std::clamp((int(red) + green + blue) / 3 - 8 + 5, 0, 239) / 10;
    int greyLevel = 8 + 10 * grey;
    if (distance(greyLevel, greyLevel, greyLevel) < cubeDistance)
        return uint8_t(232 + grey);
    return uint8_t(16 + 36 * r + 6 * g + b);
}

// Underline colours as cells hold them: 0 none, 1-256 palette index + 1, 257 default, 258 inverted
// default, 259 and up an entry of the table of distinct 24-bit underline colours. Entries are never
// removed (a cell anywhere may hold one); should all 65,277 be taken, further 24-bit colours fall back
// to their nearest palette entry. Entries are written before their index is handed out and never
// change afterwards, so reading one needs no lock.
constexpr uint16_t underlineDefault = 257;
constexpr uint16_t underlineDefaultInverted = 258;
constexpr uint32_t firstTableCode = 259;
constexpr size_t tableCapacity = 65536 - firstTableCode;

struct UnderlineColorTable {
    std::mutex lock;
    std::unordered_map<uint32_t, uint16_t> codes;
    std::array<uint32_t, tableCapacity> colors {};
};

UnderlineColorTable& underlineColors()
{
    static UnderlineColorTable table;
    return table;
}

std::optional<Color> unpackUnderlineColor(uint16_t code)
{
    if (code == 0)
        return std::nullopt;
    if (code <= 256)
        return Color::ansi256(uint8_t(code - 1));
    if (code == underlineDefault)
        return Color::defaultColor;
    if (code == underlineDefaultInverted)
        return Color::defaultInvertedColor;
    uint32_t rgb = underlineColors().colors[code - firstTableCode];
    return Color::trueColor(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

} // namespace

Attribute::Color CharData::unpackColor(uint32_t packed)
{
    if (packed & trueColorBit)
        return Color::trueColor(uint8_t(packed >> 16), uint8_t(packed >> 8), uint8_t(packed));
    if (packed == defaultInvertedCode)
        return Color::defaultInvertedColor;
    if (packed == defaultCode)
        return Color::defaultColor;
    return Color::ansi256(uint8_t(packed));
}

uint16_t CharData::packUnderlineColor(const Color& color)
{
    switch (color.kind) {
    case Color::Kind::ansi256:
        return uint16_t(color.code + 1);
    case Color::Kind::defaultColor:
        return underlineDefault;
    case Color::Kind::defaultInvertedColor:
        return underlineDefaultInverted;
    case Color::Kind::trueColor:
        break;
    }
    uint32_t rgb = uint32_t(color.red) << 16 | uint32_t(color.green) << 8 | color.blue;
    auto& table = underlineColors();
    std::lock_guard guard(table.lock);
    if (auto found = table.codes.find(rgb); found != table.codes.end())
        return found->second;
    if (table.codes.size() == tableCapacity)
        return uint16_t(nearestPaletteIndex(color.red, color.green, color.blue) + 1);
    auto code = uint16_t(firstTableCode + table.codes.size());
    table.colors[code - firstTableCode] = rgb;
    table.codes.emplace(rgb, code);
    return code;
}

Attribute CharData::attribute() const
{
    return { unpackColor(m_fg), unpackColor(m_bg), CharacterStyle { uint8_t(m_style) },
             UnderlineStyle(m_underlineStyle), unpackUnderlineColor(m_underlineColor) };
}

void CharData::setAttribute(const Attribute& attribute)
{
    m_fg = packColor(attribute.fg);
    m_bg = packColor(attribute.bg);
    m_style = attribute.style.rawValue;
    m_underlineStyle = uint8_t(attribute.underlineStyle) & 7;
    m_underlineColor = attribute.underlineColor ? packUnderlineColor(*attribute.underlineColor) : 0;
}

bool CharData::hasDefaultAttribute() const
{
    return m_fg == defaultCode && m_bg == defaultCode && m_style == 0 && m_underlineStyle == 0 && m_underlineColor == 0;
}

char32_t CharData::getCharacter() const
{
    return isUnicodeScalar(m_code) ? char32_t(m_code) : U' ';
}

std::string CharData::debugDescription() const
{
    std::string out = "CharData: " + std::to_string(int32_t(m_code)) + " ";
    if (isUnicodeScalar(m_code))
        appendUtf8(out, char32_t(m_code));
    else
        out += '?';
    return out;
}

} // namespace zentrova
