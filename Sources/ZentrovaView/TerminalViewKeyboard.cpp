// Keys and text on their way to the child: legacy sequences while the program asked for nothing, the
// keyboard protocol's events once it did; the editing keys through the view's own key bindings, input
// methods through marked and committed text.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Engine/KittyKeyboardEncoder.h"
#include "Zentrova/Parser/EscapeSequences.h"
#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/TerminalKeyBindings.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace zentrova {
namespace {

using Key = KittyFunctionalKey;
using Type = KittyKeyboardEventType;

constexpr uint8_t escapeByte = 0x1B;

void appendUtf8(std::vector<uint8_t>& bytes, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    bytes.insert(bytes.end(), utf8.begin(), utf8.end());
}

std::vector<uint8_t> utf8Bytes(const QString& text)
{
    std::vector<uint8_t> bytes;
    appendUtf8(bytes, text);
    return bytes;
}

std::string utf8String(const QString& text)
{
    return text.toStdString();
}

bool isControlCharacter(char32_t c)
{
    return c < 32 || (c >= 127 && c <= 159);
}

// Non-empty text without C0 or C1 controls.
bool isPlainPrintableText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4()) {
        if (isControlCharacter(c))
            return false;
    }
    return true;
}

// Pasted text loses ESC and the C1 controls: inside a bracketed paste they could end the paste early
// ("ESC [201~") and have the rest run as typed.
QString withoutPasteTerminators(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit != escapeByte && !(unit >= 0x80 && unit <= 0x9F))
            kept += c;
    }
    return kept;
}

char32_t lowerCased(char32_t c)
{
    return char32_t(QChar::toLower(c));
}

} // namespace

bool TerminalView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Every key the child would get is the terminal's, before any shortcut of the window around it:
        // Backspace, Delete, Tab or F2 typed for the program must never run a command of the window.
        if (claimsKey(TerminalKeyEvent::from(*static_cast<QKeyEvent*>(event)))) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress: {
        // Tab and Backtab belong to the child, not to focus navigation.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void TerminalView::keyPressEvent(QKeyEvent* event)
{
    const TerminalKeyEvent key = TerminalKeyEvent::from(*event);
    // A window command's key whose command is disabled right now.
    if (isWindowCommandKey(key)) {
        event->accept();
        return;
    }
    if (isModifierKey(key.key))
        flagsChanged(key, true);
    else
        keyDown(key);
    event->accept();
}

void TerminalView::keyReleaseEvent(QKeyEvent* event)
{
    // X11 repeats a held key as release and press pairs; only the final release is the key going up.
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    const TerminalKeyEvent key = TerminalKeyEvent::from(*event);
    if (isModifierKey(key.key))
        flagsChanged(key, false);
    else
        keyUp(key);
    QWidget::keyReleaseEvent(event);
}

void TerminalView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        insertText(event->commitString());
    if (!event->preeditString().isEmpty())
        setMarkedText(event->preeditString());
    else if (hasMarkedText() || m_kittyIsComposing)
        unmarkText();
    event->accept();
}

KittyKeyboardModifiers TerminalView::kittyModifiers(const TerminalKeyEvent& event, bool optionIsAlt) const
{
    KittyKeyboardModifiers modifiers;
    if (event.shift())
        modifiers |= KittyKeyboardModifiers::shift;
    if (event.control())
        modifiers |= KittyKeyboardModifiers::ctrl;
    if (event.option() && (optionIsAlt || m_optionAsMetaKey))
        modifiers |= KittyKeyboardModifiers::alt;
    if (event.command())
        modifiers |= KittyKeyboardModifiers::super;
    if (event.capsLock())
        modifiers |= KittyKeyboardModifiers::capsLock;
    return modifiers;
}

std::optional<KittyKeyEvent> TerminalView::kittyTextEvent(const TerminalKeyEvent& event, KittyKeyboardEventType eventType,
                                                          const std::optional<QString>& text) const
{
    const QString characters = event.charactersIgnoringModifiers();
    if (characters.isEmpty())
        return std::nullopt;
    const char32_t first = characters.toUcs4().front();
    KittyKeyEvent kitty;
    kitty.key = KittyKey::unicode(lowerCased(first));
    if (event.shift()) {
        // The typed text carries the shifted character unless Control made a control character of it.
        const QString shifted = isPlainPrintableText(event.text) ? event.text : characters;
        kitty.shiftedKey = shifted.toUcs4().front();
    }
    const auto base = kittyBaseLayoutKey(event.nativeScanCode);
    if (base && *base != kitty.key.scalar)
        kitty.baseLayoutKey = base;
    kitty.modifiers = kittyModifiers(event, false);
    kitty.eventType = eventType;
    if (text)
        kitty.text = utf8String(*text);
    kitty.composing = m_kittyIsComposing;
    return kitty;
}

bool TerminalView::sendKittyEvent(const KittyKeyEvent& event)
{
    KittyKeyboardEncoder encoder;
    encoder.flags = m_terminal->keyboardEnhancementFlags();
    encoder.applicationCursor = m_terminal->applicationCursor;
    encoder.applicationKeypad = m_terminal->applicationKeypad;
    encoder.backspaceSendsControlH = m_backspaceSendsControlH;
    const auto bytes = encoder.encode(event);
    if (!bytes)
        return false;
    send(*bytes);
    return true;
}

std::vector<uint8_t> TerminalView::applyControlToEventCharacters(const QString& characters)
{
    if (characters.size() != 1 || characters.front().unicode() > 0x7F)
        return {};
    const char16_t c = characters.front().unicode();
    if (c >= 'A' && c <= 'Z')
        return { uint8_t(c - 64) };
    if (c >= 'a' && c <= 'z')
        return { uint8_t(c - 96) };
    switch (c) {
    case '\\': return { 28 };
    case '_': return { 31 };
    case ']': return { 29 };
    case '[': return { 27 };
    case '^':
    case '6': return { 30 };
    case ' ': return { 0 };
    default: return {};
    }
}

bool TerminalView::sendFunctionalKey(KittyFunctionalKey key, const TerminalKeyEvent& event, KittyKeyboardEventType eventType)
{
    KittyKeyEvent kitty { KittyKey::functional(horizontalKeyOnScreen(key)), kittyModifiers(event, false), eventType };
    if (eventType != Type::release) {
        if (const auto text = kittyTextForFunctionalKey(key, event))
            kitty.text = utf8String(*text);
    }
    kitty.composing = m_kittyIsComposing;
    return sendKittyEvent(kitty);
}

void TerminalView::keyDown(const TerminalKeyEvent& event)
{
    // Shift with the page keys moves through the scrollback, as Linux terminals do, and keeps the
    // selection; the alternate screen has no scrollback, so there they go to the program.
    if (const auto scrollKey = scrollbackKey(event); scrollKey && !m_terminal->isCurrentBufferAlternate()) {
        switch (*scrollKey) {
        case ScrollbackKey::pageUp: pageUp(); break;
        case ScrollbackKey::pageDown: pageDown(); break;
        case ScrollbackKey::top: scroll(0); break;
        case ScrollbackKey::bottom: scroll(1); break;
        }
        return;
    }
    if (m_selection)
        m_selection->setActive(false);
    const KittyKeyboardFlags flags = m_terminal->keyboardEnhancementFlags();
    const bool legacy = flags.isEmpty();
    const bool command = event.command();
    const bool option = event.option();
    const bool optionToggle = command && option && event.charactersIgnoringModifiers() == QStringLiteral("o");
    const auto functionalKey = kittyFunctionalKey(event);

    if (legacy && command && !optionToggle) {
        interpretKeyEvent(event);
        return;
    }
    // Plain Page Up and Page Down are the program's (less, vim and mc page with them).
    if (legacy && !command && (!option || m_optionAsMetaKey) && functionalKey) {
        if (sendFunctionalKey(*functionalKey, event, event.autoRepeat ? Type::repeatPress : Type::press))
            return;
    }

    if (!legacy) {
        m_pendingKittyKeyEvent.reset();
        if (optionToggle) {
            toggleOptionAsMetaKey();
            return;
        }
        const bool reportEvents = flags.contains(KittyKeyboardFlags::reportEvents);
        const Type type = reportEvents && event.autoRepeat ? Type::repeatPress : Type::press;
        if (functionalKey && sendFunctionalKey(*functionalKey, event, type))
            return;
        if (event.control() || (option && m_optionAsMetaKey)) {
            const auto kitty = kittyTextEvent(event, type, std::nullopt);
            if (kitty && sendKittyEvent(*kitty))
                return;
        }
        const bool repeats = reportEvents && flags.contains(KittyKeyboardFlags::reportAllKeys) && event.autoRepeat;
        m_pendingKittyKeyEvent = PendingKittyKeyEvent { event, repeats ? Type::repeatPress : Type::press };
        interpretKeyEvent(event);
        return;
    }

    if (command && option) {
        if (optionToggle)
            toggleOptionAsMetaKey();
        interpretKeyEvent(event);
        return;
    }
    const QString characters = event.charactersIgnoringModifiers();
    if (option && m_optionAsMetaKey) {
        if (characters.isEmpty())
            return;
        std::vector<uint8_t> bytes { escapeByte };
        appendUtf8(bytes, characters);
        send(bytes);
        return;
    }
    // Control with a key that types no character of its own (Return, Tab, Backspace, Escape) is left to
    // the key bindings, like a key without characters.
    if (event.control() && isPlainPrintableText(characters)) {
        send(applyControlToEventCharacters(characters));
        return;
    }
    interpretKeyEvent(event);
}

void TerminalView::interpretKeyEvent(const TerminalKeyEvent& event)
{
    // While an input method composes, the keys it sees are its own.
    if (m_kittyIsComposing)
        return;
    if (const auto command = editingCommand(event)) {
        doCommand(*command);
        return;
    }
    if (!event.command() && !event.control() && isPlainPrintableText(event.text))
        insertText(event.text);
}

void TerminalView::keyUp(const TerminalKeyEvent& event)
{
    const KittyKeyboardFlags flags = m_terminal->keyboardEnhancementFlags();
    if (!flags.contains(KittyKeyboardFlags::reportEvents))
        return;
    const bool allKeys = flags.contains(KittyKeyboardFlags::reportAllKeys);
    const auto functionalKey = kittyFunctionalKey(event);
    if (!(event.control() || functionalKey || allKeys || (event.option() && m_optionAsMetaKey)))
        return;
    if (functionalKey) {
        sendFunctionalKey(*functionalKey, event, Type::release);
        return;
    }
    const auto kitty = kittyTextEvent(event, Type::release, std::nullopt);
    if (!kitty)
        return;
    const char32_t key = kitty->key.scalar;
    if (!allKeys && (key == '\t' || key == '\r' || key == 0x7F))
        return;
    sendKittyEvent(*kitty);
}

void TerminalView::flagsChanged(const TerminalKeyEvent& event, bool pressed)
{
    if (event.key == Qt::Key_Control)
        commandKeyChanged(pressed);
    const KittyKeyboardFlags flags = m_terminal->keyboardEnhancementFlags();
    if (!flags.contains(KittyKeyboardFlags::reportAllKeys) || m_kittyIsComposing || event.autoRepeat)
        return;
    const auto modifierKey = kittyModifierKey(event);
    if (!modifierKey || (!pressed && !flags.contains(KittyKeyboardFlags::reportEvents)))
        return;
    // The modifiers as they stand after the key: Qt reports them from before it.
    TerminalKeyEvent after = event;
    after.modifiers.setFlag(Qt::KeyboardModifier(int(heldModifier(*modifierKey))), pressed);
    KittyKeyEvent kitty { KittyKey::functional(*modifierKey), kittyModifiers(after, true),
                          pressed ? Type::press : Type::release };
    sendKittyEvent(kitty);
}

void TerminalView::doCommand(EditingCommand command)
{
    const KittyKeyboardFlags flags = m_terminal->keyboardEnhancementFlags();
    const bool applicationCursor = m_terminal->applicationCursor;
    if (!flags.isEmpty() || !m_kittyIsComposing) {
        KittyKeyboardModifiers modifiers;
        if (m_pendingKittyKeyEvent)
            modifiers = kittyModifiers(m_pendingKittyKeyEvent->event, false);
        Key key = Key::enter;
        switch (command) {
        case EditingCommand::insertNewline: key = Key::enter; break;
        case EditingCommand::cancelOperation: key = Key::escape; break;
        case EditingCommand::deleteBackward: key = Key::backspace; break;
        case EditingCommand::moveUp: key = Key::up; break;
        case EditingCommand::moveDown: key = Key::down; break;
        case EditingCommand::moveLeft: key = Key::left; break;
        case EditingCommand::moveRight: key = Key::right; break;
        case EditingCommand::insertTab: key = Key::tab; break;
        case EditingCommand::insertBacktab:
            key = Key::tab;
            modifiers |= KittyKeyboardModifiers::shift;
            break;
        case EditingCommand::moveToBeginningOfLine: key = Key::home; break;
        case EditingCommand::moveToEndOfLine: key = Key::end; break;
        case EditingCommand::scrollPageUp: key = Key::pageUp; break;
        case EditingCommand::scrollPageDown: key = Key::pageDown; break;
        }
        KittyKeyEvent kitty { KittyKey::functional(horizontalKeyOnScreen(key)), modifiers, Type::press };
        kitty.composing = m_kittyIsComposing;
        if (sendKittyEvent(kitty))
            return;
    }

    using Sequences = EscapeSequences;
    const auto cursorKey = [&](Sequences::Bytes (*app)(), Sequences::Bytes (*normal)()) {
        send(applicationCursor ? app() : normal());
    };
    switch (command) {
    case EditingCommand::insertNewline: send(Sequences::cmdRet()); break;
    case EditingCommand::cancelOperation: send(Sequences::cmdEsc()); break;
    case EditingCommand::deleteBackward:
        send(m_backspaceSendsControlH ? Sequences::Bytes { 0x08 } : Sequences::cmdDel());
        break;
    case EditingCommand::moveUp: cursorKey(Sequences::moveUpApp, Sequences::moveUpNormal); break;
    case EditingCommand::moveDown: cursorKey(Sequences::moveDownApp, Sequences::moveDownNormal); break;
    case EditingCommand::moveLeft: sendHorizontalKey(true); break;
    case EditingCommand::moveRight: sendHorizontalKey(false); break;
    case EditingCommand::insertTab: send(Sequences::cmdTab()); break;
    case EditingCommand::insertBacktab: send(Sequences::cmdBackTab()); break;
    case EditingCommand::moveToBeginningOfLine: cursorKey(Sequences::moveHomeApp, Sequences::moveHomeNormal); break;
    case EditingCommand::moveToEndOfLine: cursorKey(Sequences::moveEndApp, Sequences::moveEndNormal); break;
    case EditingCommand::scrollPageUp: send(Sequences::cmdPageUp()); break;
    case EditingCommand::scrollPageDown: send(Sequences::cmdPageDown()); break;
    }
}

void TerminalView::insertText(const QString& text, bool isPaste)
{
    m_markedText.clear();
    m_kittyIsComposing = false;
    updateMarkedTextOverlay();
    if (text.isEmpty())
        return;
    const bool bracketed = isPaste && m_terminal->bracketedPasteMode;
    const KittyKeyboardFlags flags = m_terminal->keyboardEnhancementFlags();
    const auto pending = std::exchange(m_pendingKittyKeyEvent, std::nullopt);

    if (!flags.isEmpty() && !bracketed) {
        if (pending && !m_optionAsMetaKey && pending->event.option() && !pending->event.control()
            && !pending->event.command() && isPlainPrintableText(text)) {
            // A character Option composed goes as it stands.
            send(utf8Bytes(text));
            return;
        }
        std::optional<KittyKeyEvent> kitty;
        if (pending && text.toUcs4().size() == 1)
            kitty = kittyTextEvent(pending->event, pending->eventType, text);
        if (!kitty)
            kitty = KittyKeyEvent { KittyKey::none(), {}, Type::press, utf8String(text) };
        kitty->composing = false;
        sendKittyEvent(*kitty);
        return;
    }
    if (!bracketed) {
        send(utf8Bytes(text));
        return;
    }
    std::vector<uint8_t> bytes;
    const auto start = EscapeSequences::bracketedPasteStart();
    const auto end = EscapeSequences::bracketedPasteEnd();
    bytes.insert(bytes.end(), start.begin(), start.end());
    appendUtf8(bytes, withoutPasteTerminators(text));
    bytes.insert(bytes.end(), end.begin(), end.end());
    send(bytes);
}

void TerminalView::setMarkedText(const QString& text)
{
    m_markedText = text;
    m_kittyIsComposing = !text.isEmpty();
    updateMarkedTextOverlay();
}

void TerminalView::unmarkText()
{
    m_markedText.clear();
    m_kittyIsComposing = false;
    updateMarkedTextOverlay();
}

} // namespace zentrova
