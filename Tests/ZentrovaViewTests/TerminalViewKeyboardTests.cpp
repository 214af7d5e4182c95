#include "TerminalViewTestSupport.h"

#include "Support/VisibleBytes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace zentrova {
namespace {

constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
constexpr Qt::KeyboardModifier shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier,
                               super = Qt::MetaModifier, keypad = Qt::KeypadModifier;
// X11 key codes (evdev + 8) and the state's Caps Lock bit.
constexpr quint32 keyCodeC = 46 + 8, keyCodeA = 30 + 8, keyCodeLeftShift = 42 + 8, keyCodeRightShift = 54 + 8;
constexpr quint32 capsLockState = 0x2;

struct Key {
    int key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QString text = {};
    quint32 scanCode = 0;
    quint32 nativeModifiers = 0;
    bool autoRepeat = false;
};

std::string visible(const std::string& bytes)
{
    return visibleBytes(bytes);
}

class TerminalViewKeyboard : public ::testing::Test {
protected:
    TerminalViewKeyboard() { view.setTerminalDelegate(&host); }

    void send(QEvent::Type type, const Key& key)
    {
        QKeyEvent event(type, key.key, key.modifiers, key.scanCode, 0, key.nativeModifiers, key.text, key.autoRepeat);
        QCoreApplication::sendEvent(&view, &event);
    }
    // The bytes the child gets for one press (and, with `release`, the key going up again).
    std::string type(const Key& key, bool release = false)
    {
        host.sent.clear();
        send(QEvent::KeyPress, key);
        if (release)
            send(QEvent::KeyRelease, key);
        return visible(host.sent);
    }
    std::string releaseOnly(const Key& key)
    {
        host.sent.clear();
        send(QEvent::KeyRelease, key);
        return visible(host.sent);
    }
    std::string paste(const QString& text)
    {
        host.sent.clear();
        view.insertText(text, true);
        return visible(host.sent);
    }
    void preedit(const QString& text)
    {
        QInputMethodEvent event(text, {});
        QCoreApplication::sendEvent(&view, &event);
    }
    void commit(const QString& text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(&view, &event);
    }

    TerminalView view { nullptr, testFont() };
    RecordingViewHost host;
};

TEST_F(TerminalViewKeyboard, LegacyKeysSendXtermSequences)
{
    struct Case {
        const char* name;
        const char* modes; // fed to the terminal first
        Key key;
        std::string expected;
    };
    const Case cases[] = {
        { "up", "", { Qt::Key_Up }, "\x1b[A" },
        { "up under application cursor keys", "\x1b[?1h", { Qt::Key_Up }, "\x1bOA" },
        { "down under application cursor keys", "\x1b[?1h", { Qt::Key_Down }, "\x1bOB" },
        { "shift-up", "", { Qt::Key_Up, shift }, "\x1b[1;2A" },
        { "alt-left", "", { Qt::Key_Left, alt }, "\x1b[1;3D" },
        { "ctrl-right", "", { Qt::Key_Right, ctrl }, "\x1b[1;5C" },
        { "home under application cursor keys", "\x1b[?1h", { Qt::Key_Home }, "\x1bOH" },
        { "f5", "", { Qt::Key_F5 }, "\x1b[15~" },
        { "ctrl-f5", "", { Qt::Key_F5, ctrl }, "\x1b[15;5~" },
        { "delete", "", { Qt::Key_Delete }, "\x1b[3~" },
        { "page up under application cursor keys", "\x1b[?1h", { Qt::Key_PageUp }, "\x1b[5~" },
        { "alt-x", "", { Qt::Key_X, alt, "x" }, "\x1bx" },
        { "alt-shift-x", "", { Qt::Key_X, alt | shift, "X" }, "\x1bX" },
        { "ctrl-a", "", { Qt::Key_A, ctrl, "\x01" }, "\x01" },
        { "ctrl-shift-a", "", { Qt::Key_A, ctrl | shift, "\x01" }, "\x01" },
        { "ctrl-[", "", { Qt::Key_BracketLeft, ctrl, "\x1b" }, "\x1b" },
        { "ctrl-space", "", { Qt::Key_Space, ctrl, " " }, std::string(1, '\0') },
        { "ctrl-return", "", { Qt::Key_Return, ctrl, "\r" }, "\r" },
        { "return", "", { Qt::Key_Return, none, "\r" }, "\r" },
        { "backspace", "", { Qt::Key_Backspace, none, "\x08" }, "\x7f" },
        { "tab", "", { Qt::Key_Tab, none, "\t" }, "\t" },
        { "backtab", "", { Qt::Key_Backtab, shift }, "\x1b[Z" },
        { "escape", "", { Qt::Key_Escape, none, "\x1b" }, "\x1b" },
        { "a letter", "", { Qt::Key_A, none, "a" }, "a" },
        { "a letter with an accent", "", { Qt::Key_Eacute, none, "\u00e9" }, "\xc3\xa9" },
        { "keypad digit", "", { Qt::Key_1, keypad, "1" }, "1" },
        { "keypad digit under application keypad", "\x1b=", { Qt::Key_1, keypad, "1" }, "\x1bOq" },
        { "keypad enter under application keypad", "\x1b=", { Qt::Key_Enter, keypad, "\r" }, "\x1bOM" },
        { "keypad end with Num Lock off", "", { Qt::Key_End, keypad }, "\x1b[F" },
        { "super-a is the window's", "", { Qt::Key_A, super, "a" }, "" },
    };
    for (const Case& c : cases) {
        feed(view, "\x1b[?1l\x1b>");
        feed(view, c.modes);
        EXPECT_EQ(type(c.key), visible(c.expected)) << c.name;
    }
}

// Under mode 1243 the arrows of a right-to-left row are exchanged, so the key pointing left moves the
// cursor left on the screen, whatever the modifiers and through every encoder; rows read left to right,
// and views drawing every row as stored, keep them.
TEST_F(TerminalViewKeyboard, HorizontalArrowsFollowTheScreenOnRightToLeftRows)
{
    constexpr auto hebrew = "\r\n\u05E9\u05DC\u05D5\u05DD";
    constexpr auto latin = "\r\nshalom";
    struct Case {
        const char* name;
        std::string output;
        Key key;
        std::string expected;
    };
    const Case cases[] = {
        { "left", hebrew, { Qt::Key_Left }, "\x1b[C" },
        { "right", hebrew, { Qt::Key_Right }, "\x1b[D" },
        { "shift-left", hebrew, { Qt::Key_Left, shift }, "\x1b[1;2C" },
        { "ctrl-right", hebrew, { Qt::Key_Right, ctrl }, "\x1b[1;5D" },
        { "application cursor keys", std::string("\x1b[?1h") + hebrew, { Qt::Key_Left }, "\x1bOC" },
        { "keyboard protocol", std::string("\x1b[>1u") + hebrew, { Qt::Key_Left, shift }, "\x1b[1;2C" },
        { "up is not horizontal", hebrew, { Qt::Key_Up }, "\x1b[A" },
        { "left-to-right row", latin, { Qt::Key_Left }, "\x1b[D" },
    };
    for (const Case& c : cases) {
        feed(view, "\x1b[?1l\x1b[<u\x1b[?1243h");
        feed(view, c.output);
        EXPECT_EQ(type(c.key), visible(c.expected)) << c.name;
    }

    feed(view, std::string("\x1b[?1243l") + hebrew);
    EXPECT_EQ(type({ Qt::Key_Left }), visible("\x1b[D")) << "swapping off";
    feed(view, std::string("\x1b[?1243h") + hebrew);
    view.setBidiHostPolicy(BidiHostPolicy::legacyLeftToRight);
    EXPECT_EQ(type({ Qt::Key_Left }), visible("\x1b[D")) << "drawn left to right by the host";
}

// Linux scroll keys: Shift with the page keys moves through the scrollback and sends nothing; plain page
// keys are the program's. The alternate screen has no scrollback, so there Shift goes to the program too.
TEST_F(TerminalViewKeyboard, ShiftPageKeysScrollTheScrollbackAndPlainOnesReachTheProgram)
{
    for (int line = 0; line < 200; line++)
        feed(view, "line\r\n");
    const int live = view.terminal().buffer().yDisp();
    const int rows = view.terminal().rows;
    ASSERT_GT(live, 2 * rows);

    struct Case {
        const char* name;
        Key key;
        std::string sent;
        int yDisp; // after the key
    };
    const Case normal[] = {
        { "shift-page up", { Qt::Key_PageUp, shift }, "", live - rows },
        { "shift-page up again", { Qt::Key_PageUp, shift }, "", live - 2 * rows },
        { "shift-page down", { Qt::Key_PageDown, shift }, "", live - rows },
        { "page up, back to the live screen as any typing", { Qt::Key_PageUp }, "\x1b[5~", live },
        { "page down", { Qt::Key_PageDown }, "\x1b[6~", live },
        { "shift-home", { Qt::Key_Home, shift }, "", 0 },
        { "shift-end", { Qt::Key_End, shift }, "", live },
        { "ctrl-shift-page up", { Qt::Key_PageUp, ctrl | shift }, "\x1b[5;6~", live },
        { "keyboard protocol", { Qt::Key_PageUp, shift }, "", live - rows },
    };
    for (const Case& c : normal) {
        if (std::string_view(c.name) == "keyboard protocol")
            feed(view, "\x1b[>1u");
        EXPECT_EQ(type(c.key), visible(c.sent)) << c.name;
        EXPECT_EQ(view.terminal().buffer().yDisp(), c.yDisp) << c.name;
    }
    feed(view, "\x1b[<u");

    view.selectAll();
    type({ Qt::Key_PageDown, shift });
    EXPECT_TRUE(view.selection()->active()) << "scrolling keeps the selection";

    feed(view, "\x1b[?1049h");
    EXPECT_EQ(type({ Qt::Key_PageUp, shift }), visible("\x1b[5;2~")) << "the alternate screen has no scrollback";
    EXPECT_EQ(type({ Qt::Key_PageDown, shift }), visible("\x1b[6;2~"));
    EXPECT_EQ(type({ Qt::Key_Home, shift }), visible("\x1b[1;2H"));
    EXPECT_EQ(type({ Qt::Key_PageUp }), visible("\x1b[5~"));
}

TEST_F(TerminalViewKeyboard, OptionAsMetaKeyDecidesWhatAltDoes)
{
    view.setOptionAsMetaKey(false);
    EXPECT_EQ(type({ Qt::Key_X, alt, "x" }), "x") << "the key's text as the layout typed it";
    type({ Qt::Key_O, super | alt, "o" });
    EXPECT_TRUE(view.optionAsMetaKey()) << "Super-Alt-o switches it";
    EXPECT_EQ(type({ Qt::Key_X, alt, "x" }), visible("\x1bx"));
}

TEST_F(TerminalViewKeyboard, KeyboardProtocolReportsRepeatsReleasesAndModifierKeys)
{
    feed(view, "\x1b[>11u"); // disambiguate, event types, every key
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA }), visible("\x1b[97u"));
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA, 0, true }), visible("\x1b[97;1:2u"));
    EXPECT_EQ(releaseOnly({ Qt::Key_A, none, "a", keyCodeA, 0, true }), "") << "X11's repeat releases are not the key going up";
    EXPECT_EQ(releaseOnly({ Qt::Key_A, none, "a", keyCodeA }), visible("\x1b[97;1:3u"));
    EXPECT_EQ(type({ Qt::Key_Return, none, "\r" }, true), visible("\x1b[13u\x1b[13;1:3u"));
    EXPECT_EQ(type({ Qt::Key_Up }, true), visible("\x1b[A\x1b[1;1:3A"));
    EXPECT_EQ(type({ Qt::Key_A, ctrl, "\x01", keyCodeA }), visible("\x1b[97;5u"));

    // Modifier keys carry the modifiers as they stand after the key.
    EXPECT_EQ(type({ Qt::Key_Shift, none, {}, keyCodeLeftShift }), visible("\x1b[57441;2u"));
    EXPECT_EQ(releaseOnly({ Qt::Key_Shift, shift, {}, keyCodeLeftShift }), visible("\x1b[57441;1:3u"));
    EXPECT_EQ(type({ Qt::Key_Shift, none, {}, keyCodeRightShift }), visible("\x1b[57447;2u"));
    EXPECT_EQ(type({ Qt::Key_Alt, none }), visible("\x1b[57443;3u"));
    EXPECT_EQ(type({ Qt::Key_A, none, "A", keyCodeA, capsLockState }), visible("\x1b[97;65u"));

    feed(view, "\x1b[<u\x1b[>3u"); // disambiguate and event types only
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA, 0, true }), "a") << "a held key keeps typing its text";
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA }, true), "a");
    EXPECT_EQ(type({ Qt::Key_C, ctrl, "\x03", keyCodeC }, true), visible("\x1b[99;5u\x1b[99;5:3u"));
    EXPECT_EQ(type({ Qt::Key_Return, none, "\r" }, true), visible("\r")) << "no release for Return, Tab or Backspace";
    EXPECT_EQ(type({ Qt::Key_Tab, none, "\t" }, true), visible("\t"));
    EXPECT_EQ(type({ Qt::Key_Shift, none, {}, keyCodeLeftShift }, true), "") << "modifier keys need every key reported";
    EXPECT_EQ(type({ Qt::Key_Escape, none, "\x1b" }), visible("\x1b[27u"));
    EXPECT_EQ(type({ Qt::Key_Return, shift, "\r" }), visible("\x1b[13;2u"));
}

TEST_F(TerminalViewKeyboard, KeyboardProtocolKeyCodes)
{
    feed(view, "\x1b[>5u"); // disambiguate, alternate keys
    EXPECT_EQ(type({ 0x0421, ctrl, "\x03", keyCodeC }), visible("\x1b[1089::99;5u")) << "Cyrillic es on the c key";
    EXPECT_EQ(type({ Qt::Key_A, ctrl | shift, "\x01", keyCodeA }), visible("\x1b[97:65;6u"));
    EXPECT_EQ(type({ Qt::Key_X, alt, "x" }), visible("\x1b[120;3u"));
    EXPECT_EQ(type({ Qt::Key_1, keypad, "1" }), visible("\x1b[57400u"));
    EXPECT_EQ(type({ Qt::Key_End, keypad }), visible("\x1b[57424u"));
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA }), "a");
    EXPECT_EQ(type({ Qt::Key_Eacute, none, "\u00e9" }), visible("\xc3\xa9"));

    view.setOptionAsMetaKey(false);
    host.sent.clear();
    send(QEvent::KeyPress, { Qt::Key_E, alt, {} });
    commit("\u00e9");
    EXPECT_EQ(visible(host.sent), visible("\xc3\xa9")) << "Alt composes a character sent as text";
}

TEST_F(TerminalViewKeyboard, ComposingKeepsKeysFromTheChild)
{
    feed(view, "\x1b[>1u");
    preedit("k");
    EXPECT_TRUE(view.hasMarkedText());
    EXPECT_EQ(type({ Qt::Key_Left }), "");
    EXPECT_EQ(type({ Qt::Key_Return, none, "\r" }), "");
    commit("\u304b");
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(visible(host.sent), visible("\xe3\x81\x8b"));
    EXPECT_EQ(type({ Qt::Key_Left }), visible("\x1b[D")) << "after the commit keys reach the child again";

    feed(view, "\x1b[<u\x1b[>8u");
    preedit("k");
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA }), "");
    EXPECT_EQ(type({ Qt::Key_Shift, none, {}, keyCodeLeftShift }), "") << "no modifier keys while composing";
    preedit({});
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(type({ Qt::Key_A, none, "a", keyCodeA }), visible("\x1b[97u"));

    feed(view, "\x1b[<u");
    preedit("n");
    EXPECT_EQ(type({ Qt::Key_Up }), "") << "legacy keys wait for the input method too";
}

TEST_F(TerminalViewKeyboard, HostilePasteCannotEndTheBracketedPaste)
{
    const QString hostile = QStringLiteral("ls\x1b[201~rm -rf ~\r\u009b201~x\u0085y");
    const std::string wrapped = visible("\x1b[200~ls[201~rm -rf ~\r201~xy\x1b[201~");
    for (const char* keyboardMode : { "", "\x1b[>1u", "\x1b[>31u" }) {
        feed(view, "\x1b[?2004h");
        feed(view, keyboardMode);
        EXPECT_EQ(paste(hostile), wrapped) << "keyboard mode " << visible(keyboardMode);
        feed(view, "\x1b[<u");
    }
    feed(view, "\x1b[?2004l");
    EXPECT_EQ(paste("plain \u00e9"), visible("plain \xc3\xa9")) << "without bracketed paste the text goes as it is";
}

// Every key the view sends or acts on is its own before the window's shortcuts see it; the window
// keeps its terminal commands and the keys that type nothing.
TEST_F(TerminalViewKeyboard, ClaimsEveryKeyItSendsFromTheWindowShortcuts)
{
    struct Case {
        Key key;
        bool claimed;
    };
    const Case cases[] = {
        { { Qt::Key_C, ctrl }, true },
        { { Qt::Key_W, ctrl }, true },
        { { Qt::Key_F, alt }, true },
        { { Qt::Key_T, ctrl | shift }, true },
        { { Qt::Key_A, none, "a" }, true },
        { { Qt::Key_F5, none }, true },
        { { Qt::Key_F2, none }, true },
        { { Qt::Key_F10, none }, true },
        { { Qt::Key_Backspace, none, "\x08" }, true },
        { { Qt::Key_Delete, none }, true },
        { { Qt::Key_Tab, none, "\t" }, true },
        { { Qt::Key_Return, none, "\r" }, true },
        { { Qt::Key_Insert, shift }, true },
        { { Qt::Key_PageUp, shift }, true },
        { { Qt::Key_Menu, none }, true },
        { { Qt::Key_5, keypad, "5" }, true },
        { { Qt::Key_Eacute, none, "\u00e9" }, true },
        { { Qt::Key_C, ctrl | shift }, false },
        { { Qt::Key_V, ctrl | shift }, false },
        { { Qt::Key_F, ctrl | shift }, false },
        { { Qt::Key_G, ctrl | shift }, false },
        { { Qt::Key_H, ctrl | shift }, false },
        { { Qt::Key_Shift, shift }, false },
        { { Qt::Key_Control, ctrl }, false },
        { { Qt::Key_VolumeUp, none }, false },
        { { Qt::Key_LaunchMail, none }, false },
    };
    for (const Case& c : cases) {
        QKeyEvent event(QEvent::ShortcutOverride, c.key.key, c.key.modifiers, c.key.text);
        event.ignore();
        QCoreApplication::sendEvent(&view, &event);
        EXPECT_EQ(event.isAccepted(), c.claimed) << c.key.key << " " << c.key.modifiers.toInt();
    }
}

TEST_F(TerminalViewKeyboard, TabGoesToTheChildNotToTheNextWidget)
{
    QWidget window;
    view.setParent(&window);
    QWidget next(&window);
    next.setFocusPolicy(Qt::StrongFocus);
    EXPECT_EQ(type({ Qt::Key_Tab, none, "\t" }), visible("\t"));
    EXPECT_EQ(type({ Qt::Key_Backtab, shift }), visible("\x1b[Z"));
    view.setParent(nullptr);
}

TEST_F(TerminalViewKeyboard, ControlMappingOfOneCharacter)
{
    EXPECT_EQ(TerminalView::applyControlToEventCharacters("6"), std::vector<uint8_t> { 30 });
    EXPECT_EQ(TerminalView::applyControlToEventCharacters("Z"), std::vector<uint8_t> { 26 });
    EXPECT_EQ(TerminalView::applyControlToEventCharacters("@"), std::vector<uint8_t> {});
    EXPECT_EQ(TerminalView::applyControlToEventCharacters("ab"), std::vector<uint8_t> {});
}

} // namespace
} // namespace zentrova
