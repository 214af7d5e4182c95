#include "ZentrovaView/TerminalKeyBindings.h"

#include <array>

namespace zentrova {
namespace {

using Key = KittyFunctionalKey;

// X11 key codes are evdev codes plus 8.
constexpr quint32 evdevOffset = 8;
constexpr quint32 rightShiftCode = 54 + evdevOffset;
constexpr quint32 rightControlCode = 97 + evdevOffset;
constexpr quint32 rightAltCode = 100 + evdevOffset;
constexpr quint32 rightSuperCode = 126 + evdevOffset;

// Shift, Ctrl, Alt and Super as held with the key; not the keypad flag.
Qt::KeyboardModifiers heldKeys(const TerminalKeyEvent& event)
{
    return event.modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

std::optional<Key> keypadKey(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return Key(int(Key::keypad0) + key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Period: return Key::keypadDecimal;
    case Qt::Key_Comma: return Key::keypadSeparator;
    case Qt::Key_Slash: return Key::keypadDivide;
    case Qt::Key_Asterisk: return Key::keypadMultiply;
    case Qt::Key_Minus: return Key::keypadSubtract;
    case Qt::Key_Plus: return Key::keypadAdd;
    case Qt::Key_Enter: return Key::keypadEnter;
    case Qt::Key_Equal: return Key::keypadEqual;
    case Qt::Key_Left: return Key::keypadLeft;
    case Qt::Key_Right: return Key::keypadRight;
    case Qt::Key_Up: return Key::keypadUp;
    case Qt::Key_Down: return Key::keypadDown;
    case Qt::Key_PageUp: return Key::keypadPageUp;
    case Qt::Key_PageDown: return Key::keypadPageDown;
    case Qt::Key_Home: return Key::keypadHome;
    case Qt::Key_End: return Key::keypadEnd;
    case Qt::Key_Insert: return Key::keypadInsert;
    case Qt::Key_Delete: return Key::keypadDelete;
    case Qt::Key_Clear: return Key::keypadBegin;
    default: return std::nullopt;
    }
}

} // namespace

std::optional<EditingCommand> editingCommand(const TerminalKeyEvent& event)
{
    switch (event.key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return EditingCommand::insertNewline;
    case Qt::Key_Escape: return EditingCommand::cancelOperation;
    case Qt::Key_Backspace: return EditingCommand::deleteBackward;
    case Qt::Key_Up: return EditingCommand::moveUp;
    case Qt::Key_Down: return EditingCommand::moveDown;
    case Qt::Key_Left: return EditingCommand::moveLeft;
    case Qt::Key_Right: return EditingCommand::moveRight;
    case Qt::Key_Tab: return event.shift() ? EditingCommand::insertBacktab : EditingCommand::insertTab;
    case Qt::Key_Backtab: return EditingCommand::insertBacktab;
    case Qt::Key_Home: return EditingCommand::moveToBeginningOfLine;
    case Qt::Key_End: return EditingCommand::moveToEndOfLine;
    case Qt::Key_PageUp: return EditingCommand::scrollPageUp;
    case Qt::Key_PageDown: return EditingCommand::scrollPageDown;
    default: return std::nullopt;
    }
}

bool claimsKey(const TerminalKeyEvent& event)
{
    if (isModifierKey(event.key) || isWindowCommandKey(event))
        return false;
    return editingCommand(event) || kittyFunctionalKey(event) || !event.charactersIgnoringModifiers().isEmpty()
        || !event.text.isEmpty();
}

bool isWindowCommandKey(const TerminalKeyEvent& event)
{
    if (heldKeys(event) != (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    switch (event.key) {
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_F:
    case Qt::Key_G:
    case Qt::Key_H:
        return true;
    default:
        return false;
    }
}

std::optional<ScrollbackKey> scrollbackKey(const TerminalKeyEvent& event)
{
    if (heldKeys(event) != Qt::ShiftModifier)
        return std::nullopt;
    switch (event.key) {
    case Qt::Key_PageUp: return ScrollbackKey::pageUp;
    case Qt::Key_PageDown: return ScrollbackKey::pageDown;
    case Qt::Key_Home: return ScrollbackKey::top;
    case Qt::Key_End: return ScrollbackKey::bottom;
    default: return std::nullopt;
    }
}

std::optional<KittyFunctionalKey> kittyFunctionalKey(const TerminalKeyEvent& event)
{
    if (event.keypad()) {
        if (const auto key = keypadKey(event.key))
            return key;
    }
    if (event.key >= Qt::Key_F1 && event.key <= Qt::Key_F35)
        return Key(int(Key::f1) + event.key - Qt::Key_F1);
    switch (event.key) {
    case Qt::Key_Up: return Key::up;
    case Qt::Key_Down: return Key::down;
    case Qt::Key_Left: return Key::left;
    case Qt::Key_Right: return Key::right;
    case Qt::Key_Insert: return Key::insert;
    case Qt::Key_Delete: return Key::deleteKey;
    case Qt::Key_Home: return Key::home;
    case Qt::Key_End: return Key::end;
    case Qt::Key_PageUp: return Key::pageUp;
    case Qt::Key_PageDown: return Key::pageDown;
    case Qt::Key_Print: return Key::printScreen;
    case Qt::Key_ScrollLock: return Key::scrollLock;
    case Qt::Key_Pause: return Key::pause;
    case Qt::Key_Menu: return Key::menu;
    default: return std::nullopt;
    }
}

std::optional<KittyFunctionalKey> kittyModifierKey(const TerminalKeyEvent& event)
{
    const quint32 code = event.nativeScanCode;
    switch (event.key) {
    case Qt::Key_Shift: return code == rightShiftCode ? Key::rightShift : Key::leftShift;
    case Qt::Key_Control: return code == rightControlCode ? Key::rightControl : Key::leftControl;
    case Qt::Key_Alt: return code == rightAltCode ? Key::rightAlt : Key::leftAlt;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return code == rightSuperCode ? Key::rightSuper : Key::leftSuper;
    case Qt::Key_Super_R: return Key::rightSuper;
    case Qt::Key_CapsLock: return Key::capsLock;
    default: return std::nullopt;
    }
}

bool isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

Qt::KeyboardModifiers heldModifier(KittyFunctionalKey modifierKey)
{
    switch (modifierKey) {
    case Key::leftShift:
    case Key::rightShift: return Qt::ShiftModifier;
    case Key::leftControl:
    case Key::rightControl: return Qt::ControlModifier;
    case Key::leftAlt:
    case Key::rightAlt: return Qt::AltModifier;
    case Key::leftSuper:
    case Key::rightSuper: return Qt::MetaModifier;
    default: return Qt::NoModifier;
    }
}

std::optional<char32_t> kittyBaseLayoutKey(quint32 nativeScanCode)
{
    // The US layout by evdev code, from 2 (the 1 key) to 57 (the space bar); 0 where no character sits.
    static constexpr std::array<char32_t, 56> usLayout = {
        U'1', U'2', U'3', U'4', U'5', U'6', U'7', U'8', U'9', U'0', U'-', U'=', 0, 0, // 2-15
        U'q', U'w', U'e', U'r', U't', U'y', U'u', U'i', U'o', U'p', U'[', U']', 0, 0, // 16-29
        U'a', U's', U'd', U'f', U'g', U'h', U'j', U'k', U'l', U';', U'\'', U'`', 0, U'\\', // 30-43
        U'z', U'x', U'c', U'v', U'b', U'n', U'm', U',', U'.', U'/', 0, 0, 0, U' ', // 44-57
    };
    constexpr quint32 firstCode = 2;
    if (nativeScanCode < firstCode + evdevOffset)
        return std::nullopt;
    const quint32 index = nativeScanCode - evdevOffset - firstCode;
    if (index >= usLayout.size() || usLayout[index] == 0)
        return std::nullopt;
    return usLayout[index];
}

std::optional<QString> kittyTextForFunctionalKey(KittyFunctionalKey key, const TerminalKeyEvent& event)
{
    const bool typesText = (key >= Key::keypad0 && key <= Key::keypadAdd) || key == Key::keypadEqual
        || key == Key::keypadSeparator;
    if (!typesText)
        return std::nullopt;
    const QString text = event.text.isEmpty() ? event.charactersIgnoringModifiers() : event.text;
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace zentrova
