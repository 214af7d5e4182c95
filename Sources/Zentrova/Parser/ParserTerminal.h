#pragma once

#include "Zentrova/Parser/DcsHandler.h"

#include <cstdint>
#include <memory>
#include <span>

namespace zentrova {

// What the escape-sequence parser needs of its terminal: the dispatch tables for recognised
// sequences and the hand-offs to the image protocols. The terminal implements it and owns the
// parser, which keeps a plain pointer back. Everything is called synchronously from inside
// EscapeSequenceParser::parse(); spans point into parser or caller memory valid for the call only.
class ParserTerminal {
public:
    virtual ~ParserTerminal() = default;

    // A control byte (C0, or C1 met while a sequence was being parsed). CAN and SUB never arrive.
    virtual void dispatchExecute(uint8_t code) = 0;

    // ESC sequence: the intermediates and the final byte.
    virtual void dispatchEsc(std::span<const uint8_t> collect, uint8_t code) = 0;

    // CSI sequence: the final byte, at least one parameter (0 when omitted) and the private
    // markers and intermediates in arrival order. EscapeSequenceParser::parsTxt() tells which
    // parameters were opened by ":" (sub-parameters) rather than ";".
    virtual void dispatchCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect) = 0;

    // OSC string with no registered handler for its number: the bytes after the first ";".
    virtual void dispatchOsc(int64_t code, std::span<const uint8_t> data) = 0;

    // APC string whose first byte is "G": the bytes after the "G", possibly none.
    virtual void handleKittyGraphics(std::span<const uint8_t> content) = 0;

    // Handlers for the two device-control strings the terminal serves: sixel images (no collect
    // bytes, final "q") and status-string requests (collect "$", final "q"). A null handler
    // drops the string.
    virtual std::unique_ptr<DcsHandler> makeSixelDcsHandler() = 0;
    virtual std::unique_ptr<DcsHandler> makeStatusStringDcsHandler() = 0;
};

} // namespace zentrova
