#pragma once

#include <vector>

namespace zentrova {

// The progressive keyboard enhancements a program asked for (CSI > flags u and friends), as a set
// over the five known bits; the view's key encoder reads them.
struct KittyKeyboardFlags {
    int rawValue = 0;

    static const KittyKeyboardFlags disambiguate, reportEvents, reportAlternates, reportAllKeys, reportText;
    static constexpr int knownMask = 31;

    constexpr bool contains(KittyKeyboardFlags other) const { return (rawValue & other.rawValue) == other.rawValue; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr bool operator==(const KittyKeyboardFlags&) const = default;
};

inline constexpr KittyKeyboardFlags KittyKeyboardFlags::disambiguate { 1 };
inline constexpr KittyKeyboardFlags KittyKeyboardFlags::reportEvents { 2 };
inline constexpr KittyKeyboardFlags KittyKeyboardFlags::reportAlternates { 4 };
inline constexpr KittyKeyboardFlags KittyKeyboardFlags::reportAllKeys { 8 };
inline constexpr KittyKeyboardFlags KittyKeyboardFlags::reportText { 16 };

// The flags of one screen and the values pushed before them, oldest first.
struct KeyboardModeState {
    // A push onto a full stack forgets the oldest entry.
    static constexpr size_t maxStackDepth = 16;

    KittyKeyboardFlags flags;
    std::vector<KittyKeyboardFlags> stack;

    bool operator==(const KeyboardModeState&) const = default;
};

} // namespace zentrova
