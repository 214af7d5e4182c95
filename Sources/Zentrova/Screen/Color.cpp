#include "Zentrova/Screen/Color.h"

#include "Zentrova/Screen/HexDigit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>

namespace zentrova {
namespace {

using Palette16 = std::array<uint32_t, 16>; // 0xRRGGBB, 8 bits per channel

constexpr Palette16 defaultInstalledColorsTable {
    0x000000, 0x990001, 0x00A603, 0x999900, 0x0300B2, 0xB200B2, 0x00A5B2, 0xBFBFBF,
    0x8A898A, 0xE50001, 0x00D800, 0xE5E500, 0x0700FE, 0xE500E5, 0x00E5E5, 0xE5E5E5,
};
constexpr Palette16 terminalAppColorsTable {
    0x000000, 0xC23621, 0x25BC24, 0xADAD27, 0x492EE1, 0xD338D3, 0x33BBC8, 0xCBCCCD,
    0x818383, 0xFC391F, 0x31E722, 0xEAEC23, 0x5833FF, 0xF935F8, 0x14F0F0, 0xE9EBEB,
};
constexpr Palette16 xtermColorsTable {
    0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
    0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};
constexpr Palette16 vgaColorsTable {
    0x000000, 0xAA0000, 0x00AA00, 0xAA5500, 0x0000AA, 0xAA00AA, 0x00AAAA, 0xAAAAAA,
    0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF,
};
constexpr Palette16 paleColorsTable {
    0x2E3436, 0xCC0000, 0x4E9A06, 0xC4A000, 0x3465A4, 0x75507B, 0x06989A, 0xD3D7CF,
    0x555753, 0xEF2929, 0x8AE234, 0xFCE94F, 0x729FCF, 0xAD7FA8, 0x34E2E2, 0xEEEEEC,
};

// Each table as colours, built once.
template <const Palette16& table>
const std::vector<Color>& palette()
{
    static const auto colors = [] {
        std::vector<Color> result;
        for (auto rgb : table)
            result.push_back(Color::rgb8(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
        return result;
    }();
    return colors;
}

bool allHex(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return hexDigit(uint8_t(c)) >= 0; });
}

struct Field {
    uint32_t value = 0;
    int digits = 0;
};

// Reads up to four hexadecimal digits from `pos`, never past `limit`. The byte that ends the digits is
// consumed with them, and so is a "/" right after.
Field readField(std::span<const uint8_t> bytes, size_t& pos, size_t limit)
{
    Field field;
    while (pos < limit && field.digits < 4) {
        int digit = hexDigit(bytes[pos++]);
        if (digit < 0)
            break;
        field.value = field.value * 16 + uint32_t(digit);
        field.digits++;
    }
    if (pos < limit && bytes[pos] == '/')
        pos++;
    return field;
}

// A channel of `digits` hexadecimal digits scaled to 16 bits.
uint16_t scaleChannel(uint32_t value, int digits)
{
    switch (digits) {
    case 1:
        return uint16_t(value * 0x1010);
    case 2:
        return uint16_t(std::min(value, 255u) * 257);
    case 3:
        return uint16_t(value << 4 | value >> 4);
    default:
        return uint16_t(value);
    }
}

struct Lab {
    double l, a, b;
};

Lab toLab(const Color& color)
{
    auto linear = [](uint16_t channel) {
        double x = std::min(std::round(channel / 65535.0 * 255.0), 255.0) / 255.0;
        return x > 0.04045 ? std::pow((x + 0.055) / 1.055, 2.4) : x / 12.92;
    };
    double r = linear(color.red), g = linear(color.green), b = linear(color.blue);
    double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    double y = 0.2126729 * r + 0.7151522 * g + 0.072175 * b;
    double z = (0.0193339 * r + 0.119192 * g + 0.9503041 * b) / 1.08883;
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    return { 116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z)) };
}

Color fromLab(const Lab& lab)
{
    double fy = (lab.l + 16) / 116;
    double fx = fy + lab.a / 500;
    double fz = fy - lab.b / 200;
    auto inverse = [](double f) {
        double cube = f * f * f;
        return cube > 0.008856 ? cube : (f - 16.0 / 116.0) / 7.787;
    };
    double x = 0.95047 * inverse(fx), y = inverse(fy), z = 1.08883 * inverse(fz);
    double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
    double g = -0.969266 * x + 1.8760108 * y + 0.041556 * z;
    double b = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
    auto channel = [](double c) {
        c = c > 0.0031308 ? 1.055 * std::pow(c, 1 / 2.4) - 0.055 : 12.92 * c;
        double scaled = c < 1 ? std::max(c, 0.0) * 255 + 0.5 : 255.5;
        return uint16_t(std::min(int(scaled), 255) * 257);
    };
    return { channel(r), channel(g), channel(b) };
}

Lab lerp(const Lab& p, const Lab& q, double t)
{
    return { p.l + t * (q.l - p.l), p.a + t * (q.a - p.a), p.b + t * (q.b - p.b) };
}

} // namespace

Color Color::rgb8(uint16_t red8, uint16_t green8, uint16_t blue8)
{
    auto scale = [](uint16_t v) { return uint16_t(std::min<uint16_t>(v, 255) * 257); };
    return { scale(red8), scale(green8), scale(blue8) };
}

Color Color::rgb4(uint16_t red4, uint16_t green4, uint16_t blue4)
{
    return { uint16_t(red4 * 4112), uint16_t(green4 * 4112), uint16_t(blue4 * 4112) };
}

const Color Color::defaultForeground { 0x8A3D, 0x8A3D, 0x8A3D };
const Color Color::defaultBackground { 0, 0, 0 };

const std::vector<Color>& Color::defaultInstalledColors()
{
    return palette<defaultInstalledColorsTable>();
}

const std::vector<Color>& Color::terminalAppColors()
{
    return palette<terminalAppColorsTable>();
}

const std::vector<Color>& Color::xtermColors()
{
    return palette<xtermColorsTable>();
}

const std::vector<Color>& Color::vgaColors()
{
    return palette<vgaColorsTable>();
}

const std::vector<Color>& Color::paleColors()
{
    return palette<paleColorsTable>();
}

std::string Color::formatAsXcolor() const
{
    return fmt::format("rgb:{:04x}/{:04x}/{:04x}", red, green, blue);
}

std::optional<Color> Color::parse(std::string_view text)
{
    if (text.starts_with('#')) {
        auto rest = text.substr(1);
        if ((rest.size() != 3 && rest.size() != 6 && rest.size() != 9 && rest.size() != 12) || !allHex(rest))
            return std::nullopt;
    } else if (text.starts_with("rgb:")) {
        auto rest = text.substr(4);
        int pieces = 0;
        while (true) {
            auto slash = rest.find('/');
            auto piece = rest.substr(0, slash);
            if (piece.empty() || piece.size() > 4 || !allHex(piece) || ++pieces > 3)
                return std::nullopt;
            if (slash == std::string_view::npos)
                break;
            rest = rest.substr(slash + 1);
        }
        if (pieces != 3)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return parseColor({ reinterpret_cast<const uint8_t*>(text.data()), text.size() });
}

std::optional<Color> Color::parseColor(std::span<const uint8_t> bytes)
{
    if (!bytes.empty() && bytes[0] == '#') {
        size_t perChannel;
        switch (bytes.size()) {
        case 4:
            perChannel = 1;
            break;
        case 7:
            perChannel = 2;
            break;
        case 10:
            perChannel = 3;
            break;
        case 13:
            perChannel = 4;
            break;
        default:
            return std::nullopt;
        }
        std::array<uint16_t, 3> channels {};
        for (size_t i = 0; i < 3; i++) {
            size_t pos = 1 + i * perChannel;
            channels[i] = scaleChannel(readField(bytes, pos, pos + perChannel).value, int(perChannel));
        }
        return Color { channels[0], channels[1], channels[2] };
    }
    static constexpr std::string_view prefix = "rgb:";
    if (bytes.size() < prefix.size() || !std::equal(prefix.begin(), prefix.end(), bytes.begin()))
        return std::nullopt;
    size_t pos = prefix.size();
    std::array<Field, 3> fields;
    for (auto& field : fields)
        field = readField(bytes, pos, bytes.size());
    int scale = std::max({ fields[0].digits, fields[1].digits, fields[2].digits });
    if (scale == 0)
        return std::nullopt;
    return Color { scaleChannel(fields[0].value, scale), scaleChannel(fields[1].value, scale),
                   scaleChannel(fields[2].value, scale) };
}

std::vector<Color> Color::generateXtermPalette(std::span<const Color> initialColors)
{
    static constexpr std::array<uint16_t, 6> levels { 0, 95, 135, 175, 215, 255 };
    std::vector<Color> result(initialColors.begin(), initialColors.end());
    for (int i = 0; i < 216; i++)
        result.push_back(rgb8(levels[i / 36], levels[i / 6 % 6], levels[i % 6]));
    for (int j = 0; j < 24; j++) {
        auto level = uint16_t(8 + 10 * j);
        result.push_back(rgb8(level, level, level));
    }
    return result;
}

std::vector<Color> Color::generateBase16LabPalette(std::span<const Color> initialColors,
                                                   std::optional<Color> backgroundColor,
                                                   std::optional<Color> foregroundColor, bool harmonious)
{
    if (initialColors.size() < 8)
        return generateXtermPalette(initialColors);
    std::array<Lab, 8> base;
    for (size_t i = 0; i < 8; i++)
        base[i] = toLab(initialColors[i]);
    if (backgroundColor)
        base[0] = toLab(*backgroundColor);
    if (foregroundColor)
        base[7] = toLab(*foregroundColor);
    // On a light theme the cube still runs from the darker to the lighter end, unless the background
    // must stay at the origin.
    if (!harmonious && base[7].l < base[0].l)
        std::swap(base[0], base[7]);

    std::vector<Color> result(initialColors.begin(), initialColors.end());
    for (int r = 0; r < 6; r++) {
        for (int g = 0; g < 6; g++) {
            for (int b = 0; b < 6; b++) {
                Lab c0 = lerp(base[0], base[1], r / 5.0);
                Lab c1 = lerp(base[2], base[3], r / 5.0);
                Lab c2 = lerp(base[4], base[5], r / 5.0);
                Lab c3 = lerp(base[6], base[7], r / 5.0);
                Lab c4 = lerp(c0, c1, g / 5.0);
                Lab c5 = lerp(c2, c3, g / 5.0);
                result.push_back(fromLab(lerp(c4, c5, b / 5.0)));
            }
        }
    }
    for (int i = 1; i <= 24; i++)
        result.push_back(fromLab(lerp(base[0], base[7], i / 25.0)));
    return result;
}

} // namespace zentrova
