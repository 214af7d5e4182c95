#pragma once

#include "Zentrova/Parser/DcsHandler.h"
#include "Zentrova/Parser/ParserState.h"
#include "Zentrova/Parser/ParsingState.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace zentrova {

class ParserTerminal;
class TransitionTable;

// Turns the bytes a program writes to the terminal into calls: runs of printable bytes, control
// bytes, ESC and CSI sequences, OSC, APC and DCS strings. A table-driven state machine after the
// DEC VT500-series parser; its state survives between parse() calls, so a sequence may be split
// anywhere. It decodes nothing: printable runs go on as raw bytes and the terminal decodes UTF-8.
//
// Recognised sequences go to the terminal (ParserTerminal); OSC numbers registered in
// oscHandlers come first. What the terminal is not there for goes to the fallbacks, which the
// terminal replaces with its own when it configures the parser. No input makes the parser fail,
// and every buffer the input can grow is bounded (see StringLimits).
//
// Not thread-safe: one thread at a time per parser.
class EscapeSequenceParser {
public:
    using Bytes = std::span<const uint8_t>;
    using Parameters = std::span<const int>;

    // A CSI or DCS sequence with more parameters than this is dropped whole.
    static constexpr int maxParameters = 24;
    // Parameter values saturate here.
    static constexpr int maxParameterValue = 65535;
    // Private markers and intermediates kept per sequence; real sequences use at most two or
    // three. A sequence that brings more is dropped, so a flood of intermediates cannot grow it.
    static constexpr int maxCollect = 16;

    // Size caps on the strings a program can send. Past a cap the string is abandoned: what was
    // collected is freed, the rest of the string is read and dropped, and nothing is dispatched.
    struct StringLimits {
        // OSC strings carry base64 clipboard contents (52) and inline image files (1337).
        size_t maxOscLength = 16 * 1024 * 1024;
        // A kitty graphics command may send a whole image in one APC string: room for the base64
        // form of the largest image the kitty store holds under its default budget (320 MiB) plus
        // its control keys. A terminal sets it from its own budget.
        size_t maxApcLength = (335544320 + 2) / 3 * 4 + 4096;
        // DCS payload handed to one handler (sixel images are the large ones).
        size_t maxDcsLength = 16 * 1024 * 1024;
    };

    explicit EscapeSequenceParser(ParserTerminal* terminal = nullptr);
    EscapeSequenceParser(ParserTerminal* terminal, StringLimits limits);
    ~EscapeSequenceParser();
    EscapeSequenceParser(const EscapeSequenceParser&) = delete;
    EscapeSequenceParser& operator=(const EscapeSequenceParser&) = delete;

    // Runs the bytes through the state machine. Handlers are called synchronously; the slices
    // they get point into `data` or into the parser and are valid only during the call.
    void parse(Bytes data);

    // Back to initialState, forgetting everything collected, including an active DCS handler
    // (which gets no unhook()); then printStateReset().
    void reset();

    // A non-negative decimal number; nothing for an empty slice, a byte outside "0".."9" or a
    // value beyond a 64-bit signed integer.
    static std::optional<int64_t> parseDecimal(Bytes bytes);

    ParserTerminal* terminal() const { return m_terminal; }
    void setTerminal(ParserTerminal* terminal) { m_terminal = terminal; }

    ParserState currentState() const { return m_currentState; }

    // During a CSI dispatch: the separator (";" or ":") that opened each parameter after the
    // first, so parameter k (k >= 1) was preceded by parsTxt()[k - 1].
    Bytes parsTxt() const { return { m_sequence.parsTxt.data(), size_t(m_sequence.parameterCount - 1) }; }

    ParserState initialState = ParserState::ground;

    // OSC handlers by number, consulted before the terminal's own table.
    std::unordered_map<int64_t, std::function<void(Bytes data)>> oscHandlers;

    // Each run of printable bytes; a run may end in the middle of a UTF-8 character.
    std::function<void(Bytes)> printHandler;
    // Called whenever a sequence starts, is cancelled or ends a DCS string, so the terminal drops
    // a half-received UTF-8 character.
    std::function<void()> printStateReset;
    // How many times the print state has been reset so far. A terminal that holds part of a
    // character notes it and compares at the next run, rather than be called at every sequence.
    uint64_t printStateResetCount() const { return m_printStateResetCount; }
    // Called for every byte that has no meaning where it stands; see ParsingState. Returning the
    // snapshot with `abort` set ends the parse() call at once: the rest of its bytes are dropped and
    // the sequence being collected goes back to where it stood when the call began. Calls already
    // made stay made, and a string that ended during the call is not taken up again.
    std::function<ParsingState(const ParsingState&)> errorHandler;

    // Sequences nobody serves: the terminal's dispatch tables call these for what they do not
    // know, and without a terminal the parser calls them itself. Until replaced,
    // csiHandlerFallback writes "Cannot handle ESC-" and the final byte in decimal to standard
    // error (a terminal replaces it with its own log); the others do nothing.
    std::function<void(Bytes collect, uint8_t code)> escHandlerFallback;
    std::function<void(Parameters pars, Bytes collect, uint8_t code)> csiHandlerFallback;
    std::function<void(int64_t code, Bytes data)> oscHandlerFallback;
    // APC strings whose first byte is not "G", and every APC string while there is no terminal. With
    // a terminal such a string is skipped as it arrives: the payload handed over is always empty.
    std::function<void(uint8_t command, Bytes payload)> apcHandlerFallback;

private:
    // The sequence being collected. Fixed-size, so a call can keep a copy to restore when an
    // error handler aborts it.
    struct Sequence {
        std::array<int, maxParameters> pars {};
        std::array<uint8_t, maxParameters - 1> parsTxt {};
        std::array<uint8_t, maxCollect> collect {};
        int parameterCount = 1;
        int collectCount = 0;
        bool parameterLimitExceeded = false;
        bool stringOverflow = false; // the OSC or APC string passed its cap
        size_t dcsLength = 0; // payload handed to the active DCS handler so far
    };

    Parameters pars() const { return { m_sequence.pars.data(), size_t(m_sequence.parameterCount) }; }
    Bytes collect() const { return { m_sequence.collect.data(), size_t(m_sequence.collectCount) }; }

    void dispatchExecute(uint8_t code);
    void dispatchCsi(uint8_t code, Parameters pars, Bytes collect);
    void dispatchEsc(Bytes collect, uint8_t code);
    void dispatchOsc(int64_t code, Bytes data);
    void dispatchApc(uint8_t command, Bytes content);
    void dispatchDcs(Bytes collect, uint8_t code, Parameters pars);

    void addDigit(uint8_t code);
    void addSeparator(uint8_t code);
    void addCollect(uint8_t code);
    // Appends string bytes from `begin` on, skipping C0 controls, and returns the index of the
    // first byte that ends the string, or the data's size.
    size_t collectString(std::vector<uint8_t>& buffer, size_t limit, Bytes data, size_t begin);
    void endString(ParserState state, uint8_t code);
    void dispatchOscString();
    void putDcs(Bytes payload);
    void unhookDcs();
    void clearSequence();
    void emptyString(std::vector<uint8_t>& buffer);
    void print(Bytes run);
    void resetPrintState();

    ParserTerminal* m_terminal;
    const TransitionTable* m_table;
    StringLimits m_limits;
    ParserState m_currentState = ParserState::ground;
    Sequence m_sequence;
    std::vector<uint8_t> m_osc;
    std::vector<uint8_t> m_apc;
    // Counts the times the strings were emptied, so an aborted call knows whether the string it
    // started in is still there to restore.
    uint64_t m_stringGeneration = 0;
    uint64_t m_printStateResetCount = 0;
    std::unique_ptr<DcsHandler> m_activeDcsHandler;
};

} // namespace zentrova
