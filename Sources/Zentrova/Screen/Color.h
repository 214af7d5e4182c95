#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

// An RGB colour with 16 bits per channel: palette entries, default foreground and background, cursor.
struct Color {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;

    // 8-bit channels (capped at 255) scaled to 16 bits: 0xFF gives 0xFFFF.
    static Color rgb8(uint16_t red8, uint16_t green8, uint16_t blue8);
    // 4-bit channels times 0x1010: 0xF gives 0xF0F0.
    static Color rgb4(uint16_t red4, uint16_t green4, uint16_t blue4);

    static const Color defaultForeground; // 0x8A3D grey
    static const Color defaultBackground; // black

    // The 16-colour base palettes a host can install.
    static const std::vector<Color>& defaultInstalledColors();
    static const std::vector<Color>& terminalAppColors();
    static const std::vector<Color>& xtermColors();
    static const std::vector<Color>& vgaColors();
    static const std::vector<Color>& paleColors();

    // "rgb:rrrr/gggg/bbbb" in lower-case hexadecimal, as colour replies carry it.
    std::string formatAsXcolor() const;
    std::string formatted() const { return formatAsXcolor(); }

    // "#rgb", "#rrggbb", "#rrrgggbbb", "#rrrrggggbbbb" or "rgb:r/g/b" with 1-4 digits per channel; no
    // colour names.
    static std::optional<Color> parse(std::string_view text);
    // The byte-level parser of colour specifications, for the colour commands; it checks less than
    // parse() (a short field just ends early).
    static std::optional<Color> parseColor(std::span<const uint8_t> bytes);

    // The initial colours, then the 6x6x6 cube and the 24-step grey ramp of xterm.
    static std::vector<Color> generateXtermPalette(std::span<const Color> initialColors);
    // The initial colours, then a cube and grey ramp interpolated in CIE L*a*b* between the first
    // eight base colours (background and foreground replacing entries 0 and 7 when given). Fewer than
    // eight initial colours fall back to the xterm rule.
    static std::vector<Color> generateBase16LabPalette(std::span<const Color> initialColors,
                                                       std::optional<Color> backgroundColor,
                                                       std::optional<Color> foregroundColor, bool harmonious);

    bool operator==(const Color&) const = default;
};

// The attributed-text key under which the view marks the background colour of selected text.
inline constexpr std::string_view selectionBackgroundColorKey = "Zentrova_selectionBackgroundColor";

} // namespace zentrova

template <>
struct std::hash<zentrova::Color> {
    size_t operator()(const zentrova::Color& color) const noexcept
    {
        return size_t(color.red) << 32 | size_t(color.green) << 16 | color.blue;
    }
};
