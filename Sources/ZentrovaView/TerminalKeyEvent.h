#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

namespace zentrova {

// What the terminal view keeps of a key event: the key, its modifiers and text, the X11 scan code and
// state, and whether it repeats. Plain data, so a key handed to the key bindings can be kept until the
// text it produces comes back.
struct TerminalKeyEvent {
    int key = 0; // a Qt::Key
    Qt::KeyboardModifiers modifiers;
    // The characters the key typed, with every modifier applied (Ctrl-a types "\x01").
    QString text;
    // The X11 key code: the evdev code plus 8; 0 when the platform gives none.
    quint32 nativeScanCode = 0;
    // The X11 modifier state before the key.
    quint32 nativeModifiers = 0;
    bool autoRepeat = false;

    static TerminalKeyEvent from(const QKeyEvent& event);

    bool shift() const { return modifiers.testFlag(Qt::ShiftModifier); }
    bool control() const { return modifiers.testFlag(Qt::ControlModifier); }
    // Alt stands for the Option key; AltGr is the layout's third level and never sets it.
    bool option() const { return modifiers.testFlag(Qt::AltModifier); }
    // Super stands for the Command key.
    bool command() const { return modifiers.testFlag(Qt::MetaModifier); }
    bool keypad() const { return modifiers.testFlag(Qt::KeypadModifier); }
    // Qt has no Caps Lock modifier: the X11 state's lock bit.
    bool capsLock() const { return nativeModifiers & 0x2; }

    // The characters with Shift applied and no other modifier: "a" for Ctrl-a, "A" for Ctrl-Shift-a;
    // CR, HT, DEL and ESC for Return, Tab, Backspace and Escape; empty for keys that type nothing.
    QString charactersIgnoringModifiers() const;
};

} // namespace zentrova
