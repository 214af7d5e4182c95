#pragma once

#include "Zentrova/Engine/KittyFunctionalKey.h"
#include "ZentrovaView/EditingCommand.h"
#include "ZentrovaView/TerminalKeyEvent.h"

#include <optional>

namespace zentrova {

// The terminal view's own key tables. Linux has no key-binding layer behind the text system, so the
// editing keys are bound here; the rest name keys for the keyboard protocol.

// Return, Escape, Backspace, the arrows, Tab and Backtab, Home, End, Page Up and Page Down.
std::optional<EditingCommand> editingCommand(const TerminalKeyEvent& event);

// The keys a focused terminal view takes before the window's shortcuts see them: every key it turns
// into bytes for the child or acts on itself, with any modifiers. Left to the window are modifier keys
// alone, keys that type nothing (media and launch keys), and the window's terminal commands.
bool claimsKey(const TerminalKeyEvent& event);

// The Ctrl+Shift keys of the window's terminal commands (copy, paste, find, find next and previous);
// they never reach the child, even while the command is not available.
bool isWindowCommandKey(const TerminalKeyEvent& event);

// Shift with Page Up, Page Down, Home or End: the Linux keys that move through the scrollback.
enum class ScrollbackKey { pageUp, pageDown, top, bottom };
std::optional<ScrollbackKey> scrollbackKey(const TerminalKeyEvent& event);

// The arrows, the function keys, the editing block, Print, Scroll Lock, Pause and Menu, and every key
// of the keypad (told by Qt's keypad modifier). Escape, Return, Tab and Backspace are editing commands.
std::optional<KittyFunctionalKey> kittyFunctionalKey(const TerminalKeyEvent& event);

// Shift, Control, Alt and Super on either side, and Caps Lock; left and right told by the scan code.
std::optional<KittyFunctionalKey> kittyModifierKey(const TerminalKeyEvent& event);

// Keys that only change the modifiers (AltGr and Num Lock as well); they never type.
bool isModifierKey(int qtKey);

// The Qt modifier a modifier key holds down; none for Caps Lock, which holds nothing down.
Qt::KeyboardModifiers heldModifier(KittyFunctionalKey modifierKey);

// The character of a physical key (an X11 key code) on the US layout; none for keys off the table.
std::optional<char32_t> kittyBaseLayoutKey(quint32 nativeScanCode);

// The text a keypad digit or operator key typed (not the keypad's Enter); none for other keys.
std::optional<QString> kittyTextForFunctionalKey(KittyFunctionalKey key, const TerminalKeyEvent& event);

} // namespace zentrova
