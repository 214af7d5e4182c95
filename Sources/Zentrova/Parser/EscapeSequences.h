#pragma once

#include <cstdint>
#include <vector>

namespace zentrova {

// Every fixed sequence: (name, setter name, bytes...).
#define ZENTROVA_ESCAPE_SEQUENCES(X)                                  \
    X(cmdNewLine, setCmdNewLine, 0x0A)                                \
    X(cmdRet, setCmdRet, 0x0D)                                        \
    X(cmdEsc, setCmdEsc, 0x1B)                                        \
    X(cmdDel, setCmdDel, 0x7F)                                        \
    X(cmdDelKey, setCmdDelKey, 0x1B, '[', '3', '~')                   \
    X(moveUpApp, setMoveUpApp, 0x1B, 'O', 'A')                        \
    X(moveUpNormal, setMoveUpNormal, 0x1B, '[', 'A')                  \
    X(moveDownApp, setMoveDownApp, 0x1B, 'O', 'B')                    \
    X(moveDownNormal, setMoveDownNormal, 0x1B, '[', 'B')              \
    X(moveLeftApp, setMoveLeftApp, 0x1B, 'O', 'D')                    \
    X(moveLeftNormal, setMoveLeftNormal, 0x1B, '[', 'D')              \
    X(moveRightApp, setMoveRightApp, 0x1B, 'O', 'C')                  \
    X(moveRightNormal, setMoveRightNormal, 0x1B, '[', 'C')            \
    X(moveHomeApp, setMoveHomeApp, 0x1B, 'O', 'H')                    \
    X(moveHomeNormal, setMoveHomeNormal, 0x1B, '[', 'H')              \
    X(moveEndApp, setMoveEndApp, 0x1B, 'O', 'F')                      \
    X(moveEndNormal, setMoveEndNormal, 0x1B, '[', 'F')                \
    X(cmdTab, setCmdTab, 0x09)                                        \
    X(cmdBackTab, setCmdBackTab, 0x1B, '[', 'Z')                      \
    X(cmdPageUp, setCmdPageUp, 0x1B, '[', '5', '~')                   \
    X(cmdPageDown, setCmdPageDown, 0x1B, '[', '6', '~')               \
    X(cmdInsert, setCmdInsert, 0x1B, '[', '2', '~')                   \
    X(emacsBack, setEmacsBack, 0x1B, 'b')                             \
    X(emacsForward, setEmacsForward, 0x1B, 'f')                       \
    X(controlLeft, setControlLeft, 0x1B, '[', '1', ';', '5', 'D')     \
    X(controlRight, setControlRight, 0x1B, '[', '1', ';', '5', 'C')   \
    X(bracketedPasteStart, setBracketedPasteStart, 0x1B, '[', '2', '0', '0', '~') \
    X(bracketedPasteEnd, setBracketedPasteEnd, 0x1B, '[', '2', '0', '1', '~')

// The byte sequences the view sends for keys and around pasted text. They are process-wide and
// mutable so that an embedder can remap a key; the engine itself never changes them. Reading
// returns a copy, so a caller never sees a half-replaced sequence.
class EscapeSequences {
public:
    using Bytes = std::vector<uint8_t>;

    EscapeSequences() = delete;

#define ZENTROVA_DECLARE_SEQUENCE(name, setter, ...) \
    static Bytes name();                             \
    static void setter(Bytes bytes);
    ZENTROVA_ESCAPE_SEQUENCES(ZENTROVA_DECLARE_SEQUENCE)
#undef ZENTROVA_DECLARE_SEQUENCE

    static constexpr int functionKeyCount = 12;

    // F1 is index 0, F12 index 11; an index out of range reads as an empty sequence.
    static Bytes cmdF(int index);
    static void setCmdF(int index, Bytes bytes);
};

// Whether the terminal's own replies start with 8-bit C1 introducers (CSI 0x9B, DCS 0x90,
// ST 0x9C) instead of the 7-bit pairs ESC [, ESC P and ESC \.
struct CC {
    bool send8bit = false;

    bool operator==(const CC&) const = default;
};

} // namespace zentrova
