#pragma once

#include <cstdint>

namespace zentrova {

// The rendition flags of a cell, as a set over one byte.
struct CharacterStyle {
    uint8_t rawValue = 0;

    static const CharacterStyle none, bold, underline, blink, inverse, invisible, dim, italic, crossedOut;

    constexpr bool contains(CharacterStyle other) const { return (rawValue & other.rawValue) == other.rawValue; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr void insert(CharacterStyle other) { rawValue |= other.rawValue; }
    constexpr void remove(CharacterStyle other) { rawValue &= uint8_t(~other.rawValue); }

    constexpr CharacterStyle operator|(CharacterStyle other) const { return { uint8_t(rawValue | other.rawValue) }; }
    constexpr CharacterStyle operator&(CharacterStyle other) const { return { uint8_t(rawValue & other.rawValue) }; }
    constexpr CharacterStyle operator^(CharacterStyle other) const { return { uint8_t(rawValue ^ other.rawValue) }; }
    constexpr bool operator==(const CharacterStyle&) const = default;
};

inline constexpr CharacterStyle CharacterStyle::none { 0 };
inline constexpr CharacterStyle CharacterStyle::bold { 1 };
inline constexpr CharacterStyle CharacterStyle::underline { 2 };
inline constexpr CharacterStyle CharacterStyle::blink { 4 };
inline constexpr CharacterStyle CharacterStyle::inverse { 8 };
inline constexpr CharacterStyle CharacterStyle::invisible { 16 };
inline constexpr CharacterStyle CharacterStyle::dim { 32 };
inline constexpr CharacterStyle CharacterStyle::italic { 64 };
inline constexpr CharacterStyle CharacterStyle::crossedOut { 128 };

} // namespace zentrova
