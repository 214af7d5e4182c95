#include "Zentrova/Engine/KittyKeyboardEncoder.h"

#include "Zentrova/Screen/Utf8.h"

#include <unicode/utf8.h>

#include <charconv>
#include <string_view>

namespace zentrova {
namespace {

using Key = KittyFunctionalKey;
using Mods = KittyKeyboardModifiers;

constexpr char esc = 0x1B;
constexpr Mods lockModifiers = Mods::capsLock | Mods::numLock;
// Modifiers the legacy forms know; any other one leaves them nothing to say.
constexpr Mods legacyModifiers = Mods::shift | Mods::alt | Mods::ctrl | lockModifiers;

// How a functional key is numbered on the wire.
struct FunctionalEncoding {
    enum class Form : uint8_t {
        special, // escape, enter, tab, backspace: a C0 code of their own
        letter, // CSI 1;m and a final letter
        tilde, // CSI number;m ~
        code, // CSI number;m u
    };
    Form form;
    uint32_t number = 0;
    char letter = 0;
};

constexpr FunctionalEncoding special(uint32_t number) { return { FunctionalEncoding::Form::special, number }; }
constexpr FunctionalEncoding letter(char final) { return { FunctionalEncoding::Form::letter, 1, final }; }
constexpr FunctionalEncoding tilde(uint32_t number) { return { FunctionalEncoding::Form::tilde, number }; }
constexpr FunctionalEncoding code(uint32_t number) { return { FunctionalEncoding::Form::code, number }; }

FunctionalEncoding functionalEncoding(Key key)
{
    switch (key) {
    case Key::escape: return special(27);
    case Key::enter: return special(13);
    case Key::tab: return special(9);
    case Key::backspace: return special(127);
    case Key::insert: return tilde(2);
    case Key::deleteKey: return tilde(3);
    case Key::pageUp: return tilde(5);
    case Key::pageDown: return tilde(6);
    case Key::up: return letter('A');
    case Key::down: return letter('B');
    case Key::right: return letter('C');
    case Key::left: return letter('D');
    case Key::home: return letter('H');
    case Key::end: return letter('F');
    case Key::f1: return letter('P');
    case Key::f2: return letter('Q');
    case Key::f3: return tilde(13);
    case Key::f4: return letter('S');
    case Key::f5: return tilde(15);
    case Key::f6: return tilde(17);
    case Key::f7: return tilde(18);
    case Key::f8: return tilde(19);
    case Key::f9: return tilde(20);
    case Key::f10: return tilde(21);
    case Key::f11: return tilde(23);
    case Key::f12: return tilde(24);
    case Key::menu: return code(57363);
    case Key::capsLock: return code(57358);
    case Key::scrollLock: return code(57359);
    case Key::numLock: return code(57360);
    case Key::printScreen: return code(57361);
    case Key::pause: return code(57362);
    default:
        break;
    }
    if (key >= Key::f13 && key <= Key::f35)
        return code(57376 + uint32_t(key) - uint32_t(Key::f13));
    // The keypad, media, volume and modifier keys follow each other from keypad0 on.
    return code(57399 + uint32_t(key) - uint32_t(Key::keypad0));
}

// The final letter of the application-keypad form (SS3 letter) of a keypad key.
char keypadApplicationLetter(Key key)
{
    switch (key) {
    case Key::keypad0: case Key::keypadInsert: return 'p';
    case Key::keypad1: case Key::keypadEnd: return 'q';
    case Key::keypad2: case Key::keypadDown: return 'r';
    case Key::keypad3: case Key::keypadPageDown: return 's';
    case Key::keypad4: case Key::keypadLeft: return 't';
    case Key::keypad5: case Key::keypadBegin: return 'u';
    case Key::keypad6: case Key::keypadRight: return 'v';
    case Key::keypad7: case Key::keypadHome: return 'w';
    case Key::keypad8: case Key::keypadUp: return 'x';
    case Key::keypad9: case Key::keypadPageUp: return 'y';
    case Key::keypadDecimal: case Key::keypadDelete: return 'n';
    case Key::keypadDivide: return 'o';
    case Key::keypadMultiply: return 'j';
    case Key::keypadSubtract: return 'm';
    case Key::keypadAdd: return 'k';
    case Key::keypadEnter: return 'M';
    case Key::keypadEqual: return 'X';
    case Key::keypadSeparator: return 'l';
    default: return 0;
    }
}

// The plain key a keypad navigation key stands for when it sends no text.
std::optional<FunctionalEncoding> keypadNavigationEncoding(Key key)
{
    switch (key) {
    case Key::keypadLeft: return letter('D');
    case Key::keypadRight: return letter('C');
    case Key::keypadUp: return letter('A');
    case Key::keypadDown: return letter('B');
    case Key::keypadHome: return letter('H');
    case Key::keypadEnd: return letter('F');
    case Key::keypadPageUp: return tilde(5);
    case Key::keypadPageDown: return tilde(6);
    case Key::keypadInsert: return tilde(2);
    case Key::keypadDelete: return tilde(3);
    default: return std::nullopt;
    }
}

constexpr bool isControlScalar(char32_t scalar)
{
    return scalar < 32 || (scalar >= 127 && scalar <= 159);
}

// The scalars of UTF-8 text; malformed bytes are skipped.
template<typename Visit>
void forEachScalar(std::string_view text, Visit&& visit)
{
    int32_t index = 0;
    const auto length = int32_t(text.size());
    while (index < length) {
        UChar32 scalar;
        U8_NEXT(text.data(), index, length, scalar);
        if (scalar >= 0)
            visit(char32_t(scalar));
    }
}

bool containsControlScalars(std::string_view text)
{
    bool found = false;
    forEachScalar(text, [&](char32_t scalar) { found = found || isControlScalar(scalar); });
    return found;
}

void appendNumber(std::string& out, uint32_t number)
{
    char digits[10];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

void appendCsi(std::string& out)
{
    out += esc;
    out += '[';
}

// ";m" and ":e" when there are modifiers or a reported event type.
void appendModifiers(std::string& out, Mods modifiers, int eventType)
{
    if (modifiers.isEmpty() && eventType == 0)
        return;
    out += ';';
    appendNumber(out, uint32_t(modifiers.rawValue + 1));
    if (eventType != 0) {
        out += ':';
        appendNumber(out, uint32_t(eventType));
    }
}

std::vector<uint8_t> bytes(std::string_view text)
{
    return { text.begin(), text.end() };
}

// CSI number ~ or CSI number;m ~ (m = modifier, 1 for none).
std::string legacyTildeSequence(uint32_t number, int modifier)
{
    std::string out;
    appendCsi(out);
    appendNumber(out, number);
    if (modifier != 1) {
        out += ';';
        appendNumber(out, uint32_t(modifier));
    }
    out += '~';
    return out;
}

std::string legacyNavigationSequence(char final, int modifier, bool useApplicationSequence)
{
    std::string out { esc };
    if (modifier == 1) {
        out += useApplicationSequence ? 'O' : '[';
        out += final;
        return out;
    }
    out += "[1;";
    appendNumber(out, uint32_t(modifier));
    out += final;
    return out;
}

std::string legacyFunctionSequence(int baseNumber, int modifier)
{
    if (baseNumber <= 4) {
        constexpr char letters[] = "PQRS";
        const char final = letters[baseNumber - 1];
        if (modifier == 1)
            return { esc, 'O', final };
        return legacyNavigationSequence(final, modifier, false);
    }
    constexpr uint32_t numbers[] = { 15, 17, 18, 19, 20, 21, 23, 24 };
    return legacyTildeSequence(numbers[baseNumber - 5], modifier);
}

// A function key's capability number (f1...f12 with Shift, Ctrl, Ctrl-Shift, Alt, Alt-Shift folded in,
// 1...72) as the key and modifier it is sent as.
std::optional<std::pair<int, int>> legacyFunctionCapability(int capability)
{
    constexpr int modifiers[] = { 1, 2, 5, 6, 3, 4 };
    if (capability < 1 || capability > 72)
        return std::nullopt;
    const int group = (capability - 1) / 12;
    return std::pair(capability - group * 12, modifiers[group]);
}

} // namespace

int KittyKeyboardEncoder::reportedEventType(const KittyKeyEvent& event) const
{
    if (!has(KittyKeyboardFlags::reportEvents) || event.eventType == KittyKeyboardEventType::press)
        return 0;
    return int(event.eventType);
}

KittyKeyboardModifiers KittyKeyboardEncoder::reportedModifiers(const KittyKeyEvent& event) const
{
    // Caps Lock or Num Lock alone must not turn Ctrl-a into a code the program does not know; a program
    // that wants every key sees their state as well.
    return has(KittyKeyboardFlags::reportAllKeys) ? event.modifiers : event.modifiers.without(lockModifiers);
}

std::optional<std::vector<uint8_t>> KittyKeyboardEncoder::encode(const KittyKeyEvent& event) const
{
    const bool release = event.eventType == KittyKeyboardEventType::release;
    const bool allKeys = has(KittyKeyboardFlags::reportAllKeys);
    const bool functional = event.key.kind == KittyKey::Kind::functional;
    const Key functionalKey = event.key.functionalKey;
    if (release && !has(KittyKeyboardFlags::reportEvents))
        return std::nullopt;
    if (release && !allKeys && functional
        && (functionalKey == Key::enter || functionalKey == Key::tab || functionalKey == Key::backspace))
        return std::nullopt;

    const bool modifierKey = functional && isKittyModifierKey(functionalKey);
    if (event.composing && !(allKeys && modifierKey))
        return std::nullopt;
    if (modifierKey && !allKeys)
        return std::nullopt;

    const bool includeText = allKeys && has(KittyKeyboardFlags::reportText) && !release
        && event.modifiers.without(Mods::shift | lockModifiers).isEmpty();

    if (event.text && !event.text->empty()) {
        const std::string& text = *event.text;
        // An input method committing text with Return sends the text; with Backspace, nothing.
        if (functional && functionalKey == Key::enter && !containsControlScalars(text))
            return bytes(text);
        if (functional && functionalKey == Key::backspace && !containsControlScalars(text))
            return std::nullopt;
        if (!allKeys) {
            if (functional)
                return encodeNonText(event);
            if (has(KittyKeyboardFlags::disambiguate)
                && (event.modifiers.contains(Mods::alt) || event.modifiers.contains(Mods::ctrl)))
                return encodeNonText(event);
            if (release)
                return std::nullopt;
            return bytes(text);
        }
    }
    if (allKeys)
        return encodeReportingAllKeys(event, includeText);
    return encodeNonText(event);
}

KittyKeyboardEncoder::Bytes KittyKeyboardEncoder::encodeReportingAllKeys(const KittyKeyEvent& event, bool includeText) const
{
    switch (event.key.kind) {
    case KittyKey::Kind::unicode:
        return encodeCsiU(event, event.key.scalar, includeText);
    case KittyKey::Kind::none:
        return encodeCsiU(event, 0, includeText);
    case KittyKey::Kind::functional:
        break;
    }
    return encodeFunctionalCsi(event);
}

std::optional<KittyKeyboardEncoder::Bytes> KittyKeyboardEncoder::encodeNonText(const KittyKeyEvent& event) const
{
    const bool disambiguate = has(KittyKeyboardFlags::disambiguate) || has(KittyKeyboardFlags::reportAllKeys);
    switch (event.key.kind) {
    case KittyKey::Kind::unicode:
        if (!disambiguate) {
            if (auto legacy = legacyTextKeySequence(event))
                return legacy;
        }
        return encodeCsiU(event, event.key.scalar, false);
    case KittyKey::Kind::none:
        return encodeCsiU(event, 0, false);
    case KittyKey::Kind::functional:
        break;
    }

    const Key key = event.key.functionalKey;
    if (flags.isEmpty())
        return legacyFunctionalKeySequence(key, event);
    const FunctionalEncoding encoding = functionalEncoding(key);
    const bool modifiedOrTyped = !reportedModifiers(event).isEmpty() || reportedEventType(event) != 0;
    switch (encoding.form) {
    case FunctionalEncoding::Form::special:
        if (key == Key::escape ? disambiguate : disambiguate && modifiedOrTyped)
            return encodeCsiU(event, encoding.number, false);
        return legacySpecialKeySequence(key, event.modifiers, event.eventType);
    case FunctionalEncoding::Form::letter:
        if (modifiedOrTyped || disambiguate)
            return encodeFunctionalCsi(event);
        if (kittyFunctionNumber(key) != 0)
            return bytes(std::string { esc, 'O', encoding.letter });
        return bytes(legacyNavigationSequence(encoding.letter, 1, applicationCursor));
    case FunctionalEncoding::Form::tilde:
    case FunctionalEncoding::Form::code:
        break;
    }
    return encodeFunctionalCsi(event);
}

KittyKeyboardEncoder::Bytes KittyKeyboardEncoder::encodeFunctionalCsi(const KittyKeyEvent& event) const
{
    const FunctionalEncoding encoding = functionalEncoding(event.key.functionalKey);
    switch (encoding.form) {
    case FunctionalEncoding::Form::letter:
        return buildCsiWithModifier(1, reportedModifiers(event), reportedEventType(event), encoding.letter, true);
    case FunctionalEncoding::Form::tilde:
        return buildCsiWithModifier(int(encoding.number), reportedModifiers(event), reportedEventType(event), '~', false);
    case FunctionalEncoding::Form::special:
    case FunctionalEncoding::Form::code:
        break;
    }
    return encodeCsiU(event, encoding.number, false);
}

KittyKeyboardEncoder::Bytes KittyKeyboardEncoder::encodeCsiU(const KittyKeyEvent& event, uint32_t keyCode, bool includeText) const
{
    std::string out;
    appendCsi(out);
    appendNumber(out, keyCode);
    if (has(KittyKeyboardFlags::reportAlternates)) {
        const bool writeShifted = event.modifiers.contains(Mods::shift) && event.shiftedKey;
        if (writeShifted) {
            out += ':';
            appendNumber(out, *event.shiftedKey);
        }
        if (event.baseLayoutKey) {
            out += writeShifted ? ":" : "::";
            appendNumber(out, *event.baseLayoutKey);
        }
    }
    const Mods modifiers = reportedModifiers(event);
    const int eventType = reportedEventType(event);
    appendModifiers(out, modifiers, eventType);
    if (includeText && event.text) {
        const bool wroteModifiers = !modifiers.isEmpty() || eventType != 0;
        bool first = true;
        forEachScalar(*event.text, [&](char32_t scalar) {
            if (isControlScalar(scalar))
                return;
            out += first ? (wroteModifiers ? ";" : ";;") : ":";
            appendNumber(out, scalar);
            first = false;
        });
    }
    out += 'u';
    return bytes(out);
}

KittyKeyboardEncoder::Bytes KittyKeyboardEncoder::buildCsiWithModifier(int number, KittyKeyboardModifiers modifiers,
                                                                       int eventType, char terminator,
                                                                       bool omitDefaultNumber)
{
    std::string out;
    appendCsi(out);
    if (!(omitDefaultNumber && number == 1 && modifiers.isEmpty() && eventType == 0))
        appendNumber(out, uint32_t(number));
    appendModifiers(out, modifiers, eventType);
    out += terminator;
    return bytes(out);
}

std::optional<KittyKeyboardEncoder::Bytes> KittyKeyboardEncoder::legacyFunctionalKeySequence(Key key,
                                                                                            const KittyKeyEvent& event) const
{
    if (event.eventType == KittyKeyboardEventType::release || !event.modifiers.without(legacyModifiers).isEmpty())
        return std::nullopt;
    const Mods modifiers = event.modifiers.without(lockModifiers);
    const int modifier = modifiers.rawValue + 1;

    if (isKittyKeypadKey(key))
        return legacyKeypadSequence(key, event.text, modifiers);

    if (const int number = kittyFunctionNumber(key)) {
        int capability = number;
        if (number <= 12) {
            switch (modifiers.rawValue) {
            case 0: break;
            case 1: capability += 12; break;
            case 4: capability += 24; break;
            case 5: capability += 36; break;
            case 2: capability += 48; break;
            case 3: capability += 60; break;
            default: return bytes(legacyFunctionSequence(number, modifier));
            }
        }
        // f13 and above are sent as a modified f1...f12, whatever modifiers they carry.
        const auto sent = legacyFunctionCapability(capability);
        if (!sent)
            return std::nullopt;
        return bytes(legacyFunctionSequence(sent->first, sent->second));
    }

    const FunctionalEncoding encoding = functionalEncoding(key);
    switch (key) {
    case Key::escape: case Key::enter: case Key::tab: case Key::backspace:
        return legacySpecialKeySequence(key, event.modifiers, event.eventType);
    case Key::insert: case Key::deleteKey: case Key::pageUp: case Key::pageDown:
        return bytes(legacyTildeSequence(encoding.number, modifier));
    case Key::up: case Key::down: case Key::left: case Key::right: case Key::home: case Key::end:
        return bytes(legacyNavigationSequence(encoding.letter, modifier, applicationCursor));
    default:
        return std::nullopt;
    }
}

std::optional<KittyKeyboardEncoder::Bytes> KittyKeyboardEncoder::legacySpecialKeySequence(Key key, Mods modifiers,
                                                                                         KittyKeyboardEventType eventType) const
{
    if (eventType == KittyKeyboardEventType::release)
        return std::nullopt;
    std::string out;
    if (modifiers.contains(Mods::alt))
        out += esc;
    switch (key) {
    case Key::escape: out += esc; break;
    case Key::enter: out += '\r'; break;
    case Key::tab: out += modifiers.contains(Mods::shift) ? "\x1b[Z" : "\t"; break;
    case Key::backspace: out += backspaceSendsControlH || modifiers.contains(Mods::ctrl) ? '\b' : '\x7f'; break;
    default: return std::nullopt;
    }
    return bytes(out);
}

std::optional<KittyKeyboardEncoder::Bytes> KittyKeyboardEncoder::legacyKeypadSequence(Key key,
                                                                                     const std::optional<std::string>& text,
                                                                                     Mods modifiers) const
{
    const char applicationLetter = keypadApplicationLetter(key);
    if (applicationKeypad && modifiers.isEmpty() && applicationLetter != 0)
        return bytes(std::string { esc, 'O', applicationLetter });
    const std::string altPrefix = modifiers.contains(Mods::alt) ? std::string { esc } : std::string();
    if (key == Key::keypadEnter)
        return bytes(altPrefix + '\r');
    if (text && !text->empty())
        return bytes(altPrefix + *text);
    const auto navigation = keypadNavigationEncoding(key);
    if (!navigation)
        return std::nullopt;
    const int modifier = modifiers.rawValue + 1;
    if (navigation->form == FunctionalEncoding::Form::tilde)
        return bytes(legacyTildeSequence(navigation->number, modifier));
    return bytes(legacyNavigationSequence(navigation->letter, modifier, false));
}

std::optional<KittyKeyboardEncoder::Bytes> KittyKeyboardEncoder::legacyTextKeySequence(const KittyKeyEvent& event)
{
    const Mods modifiers = event.modifiers;
    if (event.key.kind != KittyKey::Kind::unicode || event.eventType == KittyKeyboardEventType::release
        || !isUnicodeScalar(event.key.scalar) || !modifiers.without(legacyModifiers).isEmpty()
        || modifiers.contains(Mods::ctrl | Mods::shift))
        return std::nullopt;
    std::string out;
    if (modifiers.contains(Mods::alt))
        out += esc;
    if (modifiers.contains(Mods::ctrl)) {
        if (const auto control = legacyControlMapping(event.key.scalar)) {
            out += char(*control);
            return bytes(out);
        }
    }
    if (event.text && !event.text->empty())
        out += *event.text;
    else if (modifiers.contains(Mods::shift) && event.shiftedKey)
        appendUtf8(out, *event.shiftedKey);
    else
        appendUtf8(out, event.key.scalar);
    return bytes(out);
}

std::optional<uint8_t> KittyKeyboardEncoder::legacyControlMapping(char32_t character)
{
    const auto lookUp = [](char32_t c) -> std::optional<uint8_t> {
        if (c >= 'a' && c <= 'z')
            return uint8_t(c - 'a' + 1);
        switch (c) {
        case ' ': case '@': case '2': return 0;
        case '[': case '3': return 27;
        case '\\': case '4': return 28;
        case ']': case '5': return 29;
        case '^': case '6': case '~': return 30;
        case '_': case '/': case '7': return 31;
        case '8': case '?': return 127;
        case '0': return 48;
        case '1': return 49;
        case '9': return 57;
        default: return std::nullopt;
        }
    };
    const char32_t lower = character >= 'A' && character <= 'Z' ? character + ('a' - 'A') : character;
    if (auto mapped = lookUp(lower))
        return mapped;
    return lookUp(character);
}

} // namespace zentrova
