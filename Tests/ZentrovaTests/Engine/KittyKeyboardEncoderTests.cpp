#include "Zentrova/Engine/KittyKeyboardEncoder.h"

#include "Support/VisibleBytes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zentrova {
namespace {

using Key = KittyFunctionalKey;
using Type = KittyKeyboardEventType;

constexpr int shift = 1, alt = 2, ctrl = 4, super = 8, capsLock = 64;

enum Mode { plain = 0, appCursor = 1, appKeypad = 2, controlH = 4 };

struct Case {
    const char* name;
    int flags;
    KittyKey key;
    int modifiers = 0;
    std::optional<std::string> text = std::nullopt;
    std::optional<std::string> expected = std::nullopt;
    Type type = Type::press;
    std::optional<char32_t> shiftedKey = std::nullopt;
    std::optional<char32_t> baseLayoutKey = std::nullopt;
    bool composing = false;
    int mode = plain;
};

KittyKey text(char32_t scalar) { return KittyKey::unicode(scalar); }
KittyKey fn(Key key) { return KittyKey::functional(key); }

std::string visible(const std::optional<std::string>& bytes)
{
    return bytes ? visibleBytes(*bytes) : "<nothing>";
}

TEST(KittyKeyboardEncoder, EncodesKeyEvents)
{
    const Case cases[] = {
        // Legacy forms, no enhancement asked for.
        { "up", 0, fn(Key::up), 0, {}, "\x1b[A" },
        { "up in application cursor mode", 0, fn(Key::up), 0, {}, "\x1bOA", Type::press, {}, {}, false, appCursor },
        { "shift-up", 0, fn(Key::up), shift, {}, "\x1b[1;2A" },
        { "home in application cursor mode", 0, fn(Key::home), 0, {}, "\x1bOH", Type::press, {}, {}, false, appCursor },
        { "f1", 0, fn(Key::f1), 0, {}, "\x1bOP" },
        { "shift-f1", 0, fn(Key::f1), shift, {}, "\x1b[1;2P" },
        { "ctrl-alt-f1 is sent as it stands", 0, fn(Key::f1), ctrl | alt, {}, "\x1b[1;7P" },
        { "f3", 0, fn(Key::f3), 0, {}, "\x1bOR" },
        { "f5", 0, fn(Key::f5), 0, {}, "\x1b[15~" },
        { "ctrl-f5", 0, fn(Key::f5), ctrl, {}, "\x1b[15;5~" },
        { "alt-shift-f12", 0, fn(Key::f12), alt | shift, {}, "\x1b[24;4~" },
        { "f13 is shift-f1", 0, fn(Key::f13), 0, {}, "\x1b[1;2P" },
        { "f13 keeps that whatever its modifiers", 0, fn(Key::f13), ctrl, {}, "\x1b[1;2P" },
        { "f35 is ctrl-f11", 0, fn(Key::f35), 0, {}, "\x1b[23;5~" },
        { "insert", 0, fn(Key::insert), 0, {}, "\x1b[2~" },
        { "ctrl-delete", 0, fn(Key::deleteKey), ctrl, {}, "\x1b[3;5~" },
        { "shift-page-up", 0, fn(Key::pageUp), shift, {}, "\x1b[5;2~" },
        { "super-up has no legacy form", 0, fn(Key::up), super, {}, std::nullopt },
        { "a media key has no legacy form", 0, fn(Key::mediaPlay), 0, {}, std::nullopt },
        { "caps lock is ignored by the legacy forms", 0, fn(Key::up), capsLock, {}, "\x1b[A" },
        { "legacy keys send nothing on release", 0, fn(Key::up), 0, {}, std::nullopt, Type::release },
        { "escape", 0, fn(Key::escape), 0, {}, "\x1b" },
        { "alt-enter", 0, fn(Key::enter), alt, {}, "\x1b\r" },
        { "shift-tab", 0, fn(Key::tab), shift, {}, "\x1b[Z" },
        { "alt-shift-tab", 0, fn(Key::tab), alt | shift, {}, "\x1b\x1b[Z" },
        { "ctrl-alt-tab", 0, fn(Key::tab), ctrl | alt, {}, "\x1b\t" },
        { "backspace", 0, fn(Key::backspace), 0, {}, "\x7f" },
        { "ctrl-backspace", 0, fn(Key::backspace), ctrl, {}, "\b" },
        { "alt-backspace", 0, fn(Key::backspace), alt, {}, "\x1b\x7f" },
        { "backspace set to send ctrl-h", 0, fn(Key::backspace), 0, {}, "\b", Type::press, {}, {}, false, controlH },
        { "keypad digit sends its text", 0, fn(Key::keypad1), 0, "1", "1" },
        { "alt keypad digit", 0, fn(Key::keypad1), alt, "1", "\x1b" "1" },
        { "keypad digit in application keypad mode", 0, fn(Key::keypad1), 0, "1", "\x1bOq", Type::press, {}, {}, false, appKeypad },
        { "keypad enter", 0, fn(Key::keypadEnter), 0, {}, "\r" },
        { "keypad enter in application keypad mode", 0, fn(Key::keypadEnter), 0, {}, "\x1bOM", Type::press, {}, {}, false, appKeypad },
        { "shifted keypad enter leaves application keypad mode", 0, fn(Key::keypadEnter), shift, {}, "\r", Type::press, {}, {}, false, appKeypad },
        { "keypad left without text", 0, fn(Key::keypadLeft), 0, {}, "\x1b[D" },
        { "keypad home never takes the application form", 0, fn(Key::keypadHome), 0, {}, "\x1b[H", Type::press, {}, {}, false, appCursor },
        { "ctrl keypad page up", 0, fn(Key::keypadPageUp), ctrl, {}, "\x1b[5;5~" },
        { "keypad digit without text", 0, fn(Key::keypad5), 0, {}, std::nullopt },
        { "alt-a without text", 0, text('a'), alt, {}, "\x1b" "a" },
        { "alt-a with its text sends the text", 0, text('a'), alt, "a", "a" },
        { "ctrl-a", 0, text('a'), ctrl, {}, "\x01" },
        { "ctrl-a with caps lock", 0, text('a'), ctrl | capsLock, {}, "\x01" },
        { "ctrl-space", 0, text(' '), ctrl, {}, std::string(1, '\0') },
        { "ctrl-/", 0, text('/'), ctrl, {}, "\x1f" },
        { "ctrl-8", 0, text('8'), ctrl, {}, "\x7f" },
        { "ctrl-. is left alone", 0, text('.'), ctrl, {}, "." },
        { "ctrl-shift-a falls back to CSI u", 0, text('a'), ctrl | shift, {}, "\x1b[97;6u" },
        { "shift-alt-i", 0, text('i'), shift | alt, {}, "\x1bI", Type::press, U'I' },
        { "alt-ctrl-i", 0, text('i'), alt | ctrl, {}, "\x1b\t" },
        { "ctrl-shift-i", 0, text('i'), ctrl | shift, {}, "\x1b[105;6u" },
        { "alt-semicolon", 0, text(';'), alt, {}, "\x1b;" },
        { "shift-alt-semicolon", 0, text(';'), shift | alt, {}, "\x1b:", Type::press, U':' },
        { "super-a has no legacy form", 0, text('a'), super, {}, "\x1b[97;9u" },

        // Disambiguate.
        { "escape", 1, fn(Key::escape), 0, {}, "\x1b[27u" },
        { "enter stays CR", 1, fn(Key::enter), 0, {}, "\r" },
        { "tab stays HT", 1, fn(Key::tab), 0, {}, "\t" },
        { "backspace stays DEL", 1, fn(Key::backspace), 0, {}, "\x7f" },
        { "enter with caps lock stays CR", 1, fn(Key::enter), capsLock, {}, "\r" },
        { "ctrl-enter", 1, fn(Key::enter), ctrl, {}, "\x1b[13;5u" },
        { "ctrl-shift-tab", 1, fn(Key::tab), ctrl | shift, {}, "\x1b[9;6u" },
        { "a with its text", 1, text('a'), 0, "a", "a" },
        { "shifted a with its text", 1, text('a'), shift, "A", "A" },
        { "alt-a", 1, text('a'), alt, "a", "\x1b[97;3u" },
        { "ctrl-c", 1, text('c'), ctrl, {}, "\x1b[99;5u" },
        { "ctrl-a with caps lock", 1, text('a'), ctrl | capsLock, {}, "\x1b[97;5u" },
        { "up", 1, fn(Key::up), 0, {}, "\x1b[A" },
        { "up in application cursor mode", 1, fn(Key::up), 0, {}, "\x1b[A", Type::press, {}, {}, false, appCursor },
        { "shift-up", 1, fn(Key::up), shift, {}, "\x1b[1;2A" },
        { "f1", 1, fn(Key::f1), 0, {}, "\x1b[P" },
        { "f3", 1, fn(Key::f3), 0, {}, "\x1b[13~" },
        { "f13", 1, fn(Key::f13), 0, {}, "\x1b[57376u" },
        { "keypad digit", 1, fn(Key::keypad1), 0, "1", "\x1b[57400u" },
        { "menu", 1, fn(Key::menu), 0, {}, "\x1b[57363u" },
        { "release without event reports", 1, fn(Key::up), 0, {}, std::nullopt, Type::release },
        { "composing drops a functional key", 1, fn(Key::escape), 0, {}, std::nullopt, Type::press, {}, {}, true },
        { "modifier key without all keys", 1, fn(Key::leftShift), shift, {}, std::nullopt },

        // Event types.
        { "repeated shift-up", 3, fn(Key::up), shift, {}, "\x1b[1;2:2A", Type::repeatPress },
        { "released up", 3, fn(Key::up), 0, {}, "\x1b[1;1:3A", Type::release },
        { "released page down", 3, fn(Key::pageDown), 0, {}, "\x1b[6;1:3~", Type::release },
        { "enter release without all keys", 3, fn(Key::enter), 0, {}, std::nullopt, Type::release },
        { "released text key", 3, text('a'), 0, "a", std::nullopt, Type::release },

        // Alternates.
        { "ctrl-shift-a released", 7, text('a'), ctrl | shift, {}, "\x1b[97:65;6:3u", Type::release, U'A' },
        { "shifted key left out without shift", 5, text('a'), ctrl, {}, "\x1b[97;5u", Type::press, U'A' },
        { "base layout key alone", 5, text(U'с'), ctrl, {}, "\x1b[1089::99;5u", Type::press, {}, U'c' },
        { "shifted and base layout keys", 5, text(U'с'), ctrl | shift, {}, "\x1b[1089:1057:99;6u", Type::press, U'С', U'c' },

        // Every key reported.
        { "a", 8, text('a'), 0, "a", "\x1b[97u" },
        { "a with caps lock", 8, text('a'), capsLock, "A", "\x1b[97;65u" },
        { "a repeated", 10, text('a'), 0, "a", "\x1b[97;1:2u", Type::repeatPress },
        { "a released", 10, text('a'), 0, {}, "\x1b[97;1:3u", Type::release },
        { "enter", 8, fn(Key::enter), 0, "\r", "\x1b[13u" },
        { "enter released", 10, fn(Key::enter), 0, {}, "\x1b[13;1:3u", Type::release },
        { "escape", 8, fn(Key::escape), 0, {}, "\x1b[27u" },
        { "up", 8, fn(Key::up), 0, {}, "\x1b[A" },
        { "shift-up", 8, fn(Key::up), shift, {}, "\x1b[1;2A" },
        { "f5", 8, fn(Key::f5), 0, {}, "\x1b[15~" },
        { "left shift pressed", 8, fn(Key::leftShift), shift, {}, "\x1b[57441;2u" },
        { "left shift released", 10, fn(Key::leftShift), 0, {}, "\x1b[57441;1:3u", Type::release },
        { "modifier key while composing", 8, fn(Key::leftShift), shift, {}, "\x1b[57441;2u", Type::press, {}, {}, true },
        { "text key while composing", 8, text('a'), 0, "a", std::nullopt, Type::press, {}, {}, true },
        { "input method commits text with enter", 8, fn(Key::enter), 0, "x", "x" },
        { "input method text with backspace", 8, fn(Key::backspace), 0, "x", std::nullopt },

        // Text as code points.
        { "a with text", 24, text('a'), 0, "a", "\x1b[97;;97u" },
        { "shift-a with text", 24, text('a'), shift, "A", "\x1b[97;2;65u" },
        { "option-a composing a letter", 24, text('a'), 0, "\xc3\xa5", "\x1b[97;;229u" },
        { "text without a key", 24, KittyKey::none(), 0, "\xc3\xbc", "\x1b[0;;252u" },
        { "several code points", 24, KittyKey::none(), 0, "ab", "\x1b[0;;97:98u" },
        { "control text is left out", 24, text('a'), 0, "\x01", "\x1b[97u" },
        { "no text with ctrl", 24, text('a'), ctrl, "\x01", "\x1b[97;5u" },
        { "no text on release", 26, text('a'), 0, "a", "\x1b[97;1:3u", Type::release },
    };

    for (const Case& c : cases) {
        KittyKeyboardEncoder encoder;
        encoder.flags = KittyKeyboardFlags { c.flags };
        encoder.applicationCursor = c.mode & appCursor;
        encoder.applicationKeypad = c.mode & appKeypad;
        encoder.backspaceSendsControlH = c.mode & controlH;
        const KittyKeyEvent event { c.key, KittyKeyboardModifiers { c.modifiers }, c.type, c.text, c.shiftedKey,
                                    c.baseLayoutKey, c.composing };
        std::optional<std::string> actual;
        if (const auto bytes = encoder.encode(event))
            actual = std::string(bytes->begin(), bytes->end());
        EXPECT_EQ(visible(actual), visible(c.expected)) << "flags " << c.flags << ": " << c.name;
    }
}

TEST(KittyKeyboardEncoder, ControlMappingLooksUpTheLowerCaseFirst)
{
    EXPECT_EQ(KittyKeyboardEncoder::legacyControlMapping('A'), 1);
    EXPECT_EQ(KittyKeyboardEncoder::legacyControlMapping('?'), 127);
    EXPECT_EQ(KittyKeyboardEncoder::legacyControlMapping('9'), 57);
    EXPECT_EQ(KittyKeyboardEncoder::legacyControlMapping('.'), std::nullopt);
    EXPECT_EQ(KittyKeyboardEncoder::legacyControlMapping(U'é'), std::nullopt);
}

} // namespace
} // namespace zentrova
