#pragma once

#include "Zentrova/Engine/KittyFunctionalKey.h"

#include <optional>
#include <string>

namespace zentrova {

// The modifiers of a key event as the keyboard protocol numbers them; the wire carries the value plus 1.
struct KittyKeyboardModifiers {
    int rawValue = 0;

    static const KittyKeyboardModifiers shift, alt, ctrl, super, hyper, meta, capsLock, numLock;

    constexpr bool contains(KittyKeyboardModifiers other) const { return (rawValue & other.rawValue) == other.rawValue; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr KittyKeyboardModifiers operator|(KittyKeyboardModifiers other) const { return { rawValue | other.rawValue }; }
    constexpr KittyKeyboardModifiers& operator|=(KittyKeyboardModifiers other)
    {
        rawValue |= other.rawValue;
        return *this;
    }
    constexpr KittyKeyboardModifiers without(KittyKeyboardModifiers other) const { return { rawValue & ~other.rawValue }; }
    constexpr bool operator==(const KittyKeyboardModifiers&) const = default;
};

inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::shift { 1 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::alt { 2 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::ctrl { 4 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::super { 8 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::hyper { 16 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::meta { 32 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::capsLock { 64 };
inline constexpr KittyKeyboardModifiers KittyKeyboardModifiers::numLock { 128 };

// The raw value is what goes on the wire.
enum class KittyKeyboardEventType : uint8_t { press = 1, repeatPress = 2, release = 3 };

// A text key (its unshifted, lower-case character), a functional key, or text without a key (from an
// input method).
struct KittyKey {
    enum class Kind : uint8_t { unicode, functional, none };

    Kind kind = Kind::none;
    char32_t scalar = 0;
    KittyFunctionalKey functionalKey = KittyFunctionalKey::escape;

    static constexpr KittyKey unicode(char32_t scalar) { return { Kind::unicode, scalar, KittyFunctionalKey::escape }; }
    static constexpr KittyKey functional(KittyFunctionalKey key) { return { Kind::functional, 0, key }; }
    static constexpr KittyKey none() { return {}; }

    constexpr bool isFunctional(KittyFunctionalKey key) const { return kind == Kind::functional && functionalKey == key; }
    constexpr bool operator==(const KittyKey&) const = default;
};

struct KittyKeyEvent {
    KittyKey key;
    KittyKeyboardModifiers modifiers;
    KittyKeyboardEventType eventType = KittyKeyboardEventType::press;
    // The text the key produced, UTF-8.
    std::optional<std::string> text = std::nullopt;
    std::optional<char32_t> shiftedKey = std::nullopt;
    // The key's character on the standard US layout, given only when it differs from `key`.
    std::optional<char32_t> baseLayoutKey = std::nullopt;
    // An input method is composing.
    bool composing = false;
};

} // namespace zentrova
