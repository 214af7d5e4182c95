#pragma once

#include "Zentrova/Engine/KittyKeyEvent.h"
#include "Zentrova/Engine/KittyKeyboardFlags.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zentrova {

// Turns one key event into the bytes a terminal sends its child: CSI ... u codes of the keyboard
// protocol once the child asked for enhancements, the classic xterm-style sequences where it did not or
// where the protocol keeps them. A plain value made for each event from the active screen's state.
class KittyKeyboardEncoder {
public:
    KittyKeyboardFlags flags;
    bool applicationCursor = false;
    bool applicationKeypad = false;
    bool backspaceSendsControlH = false;

    // The bytes to send; nothing when the event is not to be reported.
    std::optional<std::vector<uint8_t>> encode(const KittyKeyEvent& event) const;

    // The C0 byte Control makes of a character in the legacy form; nothing when it has none.
    static std::optional<uint8_t> legacyControlMapping(char32_t character);

private:
    using Bytes = std::vector<uint8_t>;

    bool has(KittyKeyboardFlags flag) const { return flags.contains(flag); }
    // The event type's raw value when it is reported and not a press, else 0 (not written).
    int reportedEventType(const KittyKeyEvent& event) const;
    // The modifiers a CSI form reports: the lock keys only while every key is reported.
    KittyKeyboardModifiers reportedModifiers(const KittyKeyEvent& event) const;

    std::optional<Bytes> encodeNonText(const KittyKeyEvent& event) const;
    Bytes encodeReportingAllKeys(const KittyKeyEvent& event, bool includeText) const;
    Bytes encodeCsiU(const KittyKeyEvent& event, uint32_t keyCode, bool includeText) const;
    Bytes encodeFunctionalCsi(const KittyKeyEvent& event) const;
    static Bytes buildCsiWithModifier(int number, KittyKeyboardModifiers modifiers, int eventType, char terminator,
                                      bool omitDefaultNumber);

    std::optional<Bytes> legacyFunctionalKeySequence(KittyFunctionalKey key, const KittyKeyEvent& event) const;
    std::optional<Bytes> legacySpecialKeySequence(KittyFunctionalKey key, KittyKeyboardModifiers modifiers,
                                                  KittyKeyboardEventType eventType) const;
    std::optional<Bytes> legacyKeypadSequence(KittyFunctionalKey key, const std::optional<std::string>& text,
                                              KittyKeyboardModifiers modifiers) const;
    static std::optional<Bytes> legacyTextKeySequence(const KittyKeyEvent& event);
};

} // namespace zentrova
