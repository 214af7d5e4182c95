#pragma once

#include "Zentrova/Screen/CharacterStyle.h"
#include "Zentrova/Screen/UnderlineStyle.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zentrova {

// The colours and rendition of a cell.
struct Attribute {
    // A cell colour: a palette index, a 24-bit colour, or the terminal's default (or its inverse).
    struct Color {
        enum class Kind : uint8_t { ansi256, trueColor, defaultColor, defaultInvertedColor };

        Kind kind = Kind::defaultColor;
        uint8_t code = 0; // palette index of ansi256
        uint8_t red = 0, green = 0, blue = 0;

        static constexpr Color ansi256(uint8_t code) { return { Kind::ansi256, code, 0, 0, 0 }; }
        static constexpr Color trueColor(uint8_t red, uint8_t green, uint8_t blue)
        {
            return { Kind::trueColor, 0, red, green, blue };
        }
        static const Color defaultColor, defaultInvertedColor;

        // The case, then only the values that case carries.
        constexpr bool operator==(const Color& other) const
        {
            if (kind != other.kind)
                return false;
            if (kind == Kind::ansi256)
                return code == other.code;
            if (kind == Kind::trueColor)
                return red == other.red && green == other.green && blue == other.blue;
            return true;
        }
    };

    Color fg;
    Color bg;
    CharacterStyle style;
    UnderlineStyle underlineStyle = UnderlineStyle::none;
    std::optional<Color> underlineColor;

    // Default foreground on the inverted default background. Not what the terminal writes and fills
    // with: that is CharData::Null's attribute, default on default.
    static const Attribute empty;

    // SGR parameters that reproduce the attribute, ending in "m" ("0;1;31m"): every style flag, the
    // underline style (as 4:n unless plain) and the colours, the underline colour included.
    std::string toSgr() const;

    bool operator==(const Attribute&) const = default;
};

inline constexpr Attribute::Color Attribute::Color::defaultColor { Kind::defaultColor, 0, 0, 0, 0 };
inline constexpr Attribute::Color Attribute::Color::defaultInvertedColor { Kind::defaultInvertedColor, 0, 0, 0, 0 };
inline constexpr Attribute Attribute::empty { Color::defaultColor, Color::defaultInvertedColor, CharacterStyle::none,
                                              UnderlineStyle::none, std::nullopt };

} // namespace zentrova

// Attributes key the view's caches: equal values hash equally.
template <>
struct std::hash<zentrova::Attribute::Color> {
    size_t operator()(const zentrova::Attribute::Color& color) const noexcept;
};

template <>
struct std::hash<zentrova::Attribute> {
    size_t operator()(const zentrova::Attribute& attribute) const noexcept;
};
