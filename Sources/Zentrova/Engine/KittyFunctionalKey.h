#pragma once

#include <cstdint>

namespace zentrova {

// The keys the keyboard protocol names instead of giving a character. The order matters: the keypad,
// media, volume and modifier keys are numbered consecutively on the wire from keypad0 on, and the last
// fourteen are the modifier keys.
enum class KittyFunctionalKey : uint8_t {
    escape, enter, tab, backspace, insert, deleteKey, up, down, left, right, home, end, pageUp, pageDown,
    f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18, f19, f20,
    f21, f22, f23, f24, f25, f26, f27, f28, f29, f30, f31, f32, f33, f34, f35,
    menu, capsLock, scrollLock, numLock, printScreen, pause,
    keypad0, keypad1, keypad2, keypad3, keypad4, keypad5, keypad6, keypad7, keypad8, keypad9,
    keypadDecimal, keypadDivide, keypadMultiply, keypadSubtract, keypadAdd, keypadEnter, keypadEqual,
    keypadSeparator, keypadLeft, keypadRight, keypadUp, keypadDown, keypadPageUp, keypadPageDown,
    keypadHome, keypadEnd, keypadInsert, keypadDelete, keypadBegin,
    mediaPlay, mediaPause, mediaPlayPause, mediaReverse, mediaStop, mediaFastForward, mediaRewind,
    mediaTrackNext, mediaTrackPrevious, mediaRecord, volumeDown, volumeUp, volumeMute,
    leftShift, leftControl, leftAlt, leftSuper, leftHyper, leftMeta,
    rightShift, rightControl, rightAlt, rightSuper, rightHyper, rightMeta, isoLevel3Shift, isoLevel5Shift,
};

constexpr bool isKittyModifierKey(KittyFunctionalKey key)
{
    return key >= KittyFunctionalKey::leftShift && key <= KittyFunctionalKey::isoLevel5Shift;
}

constexpr bool isKittyKeypadKey(KittyFunctionalKey key)
{
    return key >= KittyFunctionalKey::keypad0 && key <= KittyFunctionalKey::keypadBegin;
}

// f1 is 1 ... f35 is 35; 0 for every other key.
constexpr int kittyFunctionNumber(KittyFunctionalKey key)
{
    if (key < KittyFunctionalKey::f1 || key > KittyFunctionalKey::f35)
        return 0;
    return int(key) - int(KittyFunctionalKey::f1) + 1;
}

} // namespace zentrova
