#include "Zentrova/Parser/EscapeSequenceParser.h"

#include "Zentrova/Parser/ParameterBytes.h"
#include "Zentrova/Parser/ParserProfile.h"
#include "Zentrova/Parser/ParserTerminal.h"
#include "Zentrova/Parser/TransitionTable.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

namespace zentrova {

namespace {

using A = ParserAction;
using S = ParserState;

constexpr uint8_t BEL = 0x07;
constexpr uint8_t CAN = 0x18;
constexpr uint8_t SUB = 0x1A;
constexpr uint8_t ESC = 0x1B;

constexpr size_t none = std::numeric_limits<size_t>::max();

// A string buffer that grew past this is freed once its string ends, so one large image does not
// pin its memory for the life of the terminal.
constexpr size_t keptStringCapacity = 64 * 1024;

bool isDigit(uint8_t code) { return code >= '0' && code <= '9'; }

bool isParameterByte(uint8_t code) { return isDigit(code) || code == ';' || code == ':'; }

bool endsString(uint8_t code) { return code == BEL || code == CAN || code == SUB || code == ESC; }

// Index of the first C0 control (a byte below 0x20) at or after `i`, or `length`. Printable text is
// the bulk of what a terminal sees, so this looks at eight bytes at a time: a byte below 0x20 is
// one whose high bit is clear and becomes set when 0x20 is subtracted. A borrow only carries past
// a byte that already matched, so the lowest flagged byte is exact.
size_t findControl(const uint8_t* bytes, size_t i, size_t length)
{
    constexpr uint64_t ones = 0x0101010101010101ULL;
    constexpr uint64_t highBits = 0x8080808080808080ULL;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        const uint64_t controls = (word - ones * 0x20) & ~word & highBits;
        if (controls != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return i + size_t(std::countr_zero(controls) / 8);
            else
                return i + size_t(std::countl_zero(controls) / 8);
        }
    }
    while (i < length && bytes[i] > 0x1F)
        ++i;
    return i;
}

} // namespace

EscapeSequenceParser::EscapeSequenceParser(ParserTerminal* terminal)
    : EscapeSequenceParser(terminal, StringLimits())
{
}

EscapeSequenceParser::EscapeSequenceParser(ParserTerminal* terminal, StringLimits limits)
    : csiHandlerFallback([](Parameters, Bytes, uint8_t code) { std::fprintf(stderr, "Cannot handle ESC-%d\n", int(code)); })
    , m_terminal(terminal)
    , m_table(&sharedVt500Table())
    , m_limits(limits)
{
}

EscapeSequenceParser::~EscapeSequenceParser() = default;

void EscapeSequenceParser::parse(Bytes data)
{
    const ParserProfileInterval interval(data.size());
    const uint8_t* const bytes = data.data();
    const size_t length = data.size();
    const TransitionTable& table = *m_table;

    // What an aborting error handler rolls back to.
    const Sequence sequenceAtEntry = m_sequence;
    const size_t oscAtEntry = m_osc.size();
    const size_t apcAtEntry = m_apc.size();
    const uint64_t generationAtEntry = m_stringGeneration;

    // The state and the starts of the pending runs live in locals: the loop touches them per byte.
    ParserState state = m_currentState;
    size_t printStart = none;
    size_t dcsStart = none;
    const auto flushPrint = [&](size_t end) {
        if (printStart != none) {
            print(data.subspan(printStart, end - printStart));
            printStart = none;
        }
    };
    const auto flushDcs = [&](size_t end) {
        if (dcsStart != none) {
            putDcs(data.subspan(dcsStart, end - dcsStart));
            dcsStart = none;
        }
    };

    for (size_t i = 0; i < length; ++i) {
        uint8_t code = bytes[i];
        if (state == S::ground && code > 0x1F) {
            // Everything above the C0 controls is text in ground, C1 bytes included: they are
            // UTF-8 continuation bytes far more often than controls.
            if (printStart == none)
                printStart = i;
            // A single character between two sequences is common enough to spare the search.
            if (++i < length && bytes[i] > 0x1F)
                i = findControl(bytes, i + 1, length);
            if (i == length)
                break;
            code = bytes[i];
        } else if (state == S::csiParam ? isParameterByte(code)
                                        : state == S::csiEntry && (isDigit(code) || code == ';')) {
            // Parameters skip the table: they are most of the bytes of a CSI sequence.
            state = S::csiParam;
            // The parameter being read, the count and the limit flag stay in registers; the
            // sequence gets them back at the end, and never a value once the limit has been passed.
            Sequence& sequence = m_sequence;
            int count = sequence.parameterCount;
            bool exceeded = sequence.parameterLimitExceeded;
            int value = sequence.pars[size_t(count - 1)];
            const auto separate = [&](uint8_t separator) {
                if (!exceeded) {
                    sequence.pars[size_t(count - 1)] = value;
                    if (count == maxParameters) {
                        exceeded = true;
                    } else {
                        sequence.parsTxt[size_t(count - 1)] = separator;
                        ++count;
                    }
                }
                value = 0;
            };
            // Word by word while the buffer holds all the words that may be read, byte by byte at
            // the end of a read; both give the same parameters. Words pay only from about two of
            // them on: short runs, most cursor moves and single colours, go byte by byte. A run
            // counts as long when the bytes eight and fifteen on are parameter bytes too (the next
            // sequence's parameters may stand fifteen on, but not eight).
            bool inRun = true;
            if (i + parameterbytes::longestRun + 8 <= length && isParameterByte(bytes[i + 8])
                && isParameterByte(bytes[i + 15])) {
                do {
                    const auto run = parameterbytes::scanParameters(bytes + i);
                    size_t start = 0;
                    for (uint64_t separators = run.separators; separators != 0; separators &= separators - 1) {
                        const size_t end = size_t(std::countr_zero(separators));
                        value = parameterbytes::appendDigits(value, bytes + i + start, end - start, maxParameterValue);
                        separate(bytes[i + end]);
                        start = end + 1;
                    }
                    value = parameterbytes::appendDigits(value, bytes + i + start, run.length - start, maxParameterValue);
                    i += run.length;
                    code = bytes[i];
                    inRun = isParameterByte(code);
                } while (inRun && i + parameterbytes::longestRun + 8 <= length);
            }
            if (inRun) {
                do {
                    if (isDigit(code)) {
                        // Saturating without a branch: 65535 * 10 + 9 fits easily.
                        value = std::min(value * 10 + (code - '0'), maxParameterValue);
                    } else {
                        separate(code);
                    }
                    if (++i == length)
                        break;
                    code = bytes[i];
                } while (isParameterByte(code));
            }
            sequence.parameterCount = count;
            sequence.parameterLimitExceeded = exceeded;
            if (!exceeded)
                sequence.pars[size_t(count - 1)] = value;
            if (i == length)
                break;
            if (code >= 0x40 && code <= 0x7E) {
                if (!m_sequence.parameterLimitExceeded)
                    dispatchCsi(code, pars(), collect());
                state = S::ground;
                continue;
            }
        }

        // ESC [ from ground, the start of most sequences, without two trips through the table.
        // It does what the two clear actions would; the second clear finds nothing left to
        // empty, but the terminal is told twice all the same, as it would be were the pair cut.
        if (state == S::ground && code == ESC && i + 1 < length && bytes[i + 1] == '[') {
            flushPrint(i);
            clearSequence();
            dcsStart = none;
            resetPrintState();
            resetPrintState();
            state = S::csiEntry;
            ++i;
            continue;
        }

        const auto [action, entryNext] = table.transition(state, code);
        ParserState next = entryNext;
        if (state == S::dcsPassthrough && next != S::dcsPassthrough && action != A::dcsUnhook && code <= 0x9F) {
            // A DCS string cut by anything but its terminator: the payload before the cut goes
            // out as it would had a read ended there, so the handler sees the same bytes however
            // the input was split, and the handler is let go without unhook().
            flushDcs(i);
            m_activeDcsHandler.reset();
        }
        switch (action) {
        case A::ignore:
            if (printStart != none)
                flushPrint(i);
            else
                flushDcs(i);
            break;
        case A::error: {
            if (code > 0x9F && (state == S::csiIgnore || state == S::dcsIgnore)) {
                next = state;
                break;
            }
            if (code > 0x9F && state == S::dcsPassthrough) {
                if (dcsStart == none)
                    dcsStart = i;
                next = state;
                break;
            }
            // The text before the offending byte goes out first, as it would had a read ended
            // there; the byte itself is never printed.
            flushPrint(i);
            ParsingState snapshot;
            snapshot.position = int64_t(i);
            snapshot.code = code;
            snapshot.currentState = state;
            snapshot.dcs = dcsStart == none ? -1 : int64_t(dcsStart);
            snapshot.osc = m_osc;
            snapshot.apc = m_apc;
            snapshot.collect = collect();
            dcsStart = none;
            if (errorHandler && errorHandler(snapshot).abort) {
                m_sequence = sequenceAtEntry;
                if (m_stringGeneration == generationAtEntry) {
                    m_osc.resize(oscAtEntry);
                    m_apc.resize(apcAtEntry);
                } else {
                    // The string the call began in has ended or been freed since: drop the rest
                    // of it rather than dispatch a tail.
                    m_osc.clear();
                    m_apc.clear();
                    m_sequence.stringOverflow = true;
                }
                return;
            }
            break;
        }
        case A::print:
            if (printStart == none)
                printStart = i;
            break;
        case A::execute:
            flushPrint(i);
            dcsStart = none;
            dispatchExecute(code);
            break;
        case A::oscStart:
            flushPrint(i);
            emptyString(next == S::apcString ? m_apc : m_osc);
            m_sequence.stringOverflow = false;
            break;
        case A::oscPut:
            i = collectString(state == S::apcString ? m_apc : m_osc,
                              state == S::apcString ? m_limits.maxApcLength : m_limits.maxOscLength, data, i)
                - 1;
            break;
        case A::oscEnd:
            endString(state, code);
            if (code == ESC)
                next = S::escape;
            break;
        case A::csiDispatch:
            if (!m_sequence.parameterLimitExceeded)
                dispatchCsi(code, pars(), collect());
            break;
        case A::param:
            if (isDigit(code))
                addDigit(code);
            else
                addSeparator(code);
            break;
        case A::collect:
            addCollect(code);
            break;
        case A::escDispatch:
            if (!m_sequence.parameterLimitExceeded)
                dispatchEsc(collect(), code);
            break;
        case A::clear:
            flushPrint(i);
            clearSequence();
            dcsStart = none;
            resetPrintState();
            break;
        case A::dcsHook:
            dispatchDcs(collect(), code, pars());
            break;
        case A::dcsPut:
            if (dcsStart == none)
                dcsStart = i;
            break;
        case A::dcsUnhook:
            flushDcs(i);
            unhookDcs();
            clearSequence();
            resetPrintState();
            if (code == ESC)
                next = S::escape;
            break;
        }
        state = next;
    }

    if (state == S::ground)
        flushPrint(length);
    else if (state == S::dcsPassthrough)
        flushDcs(length);
    m_currentState = state;
}

void EscapeSequenceParser::reset()
{
    m_currentState = initialState;
    m_sequence = Sequence();
    // Only emptied, not freed: a handler that resets the parser may still hold a slice of them.
    m_osc.clear();
    m_apc.clear();
    ++m_stringGeneration;
    m_activeDcsHandler.reset();
    resetPrintState();
}

std::optional<int64_t> EscapeSequenceParser::parseDecimal(Bytes bytes)
{
    if (bytes.empty())
        return std::nullopt;
    int64_t value = 0;
    for (uint8_t code : bytes) {
        if (!isDigit(code))
            return std::nullopt;
        const int digit = code - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

void EscapeSequenceParser::dispatchExecute(uint8_t code)
{
    // CAN and SUB only cancel; there is nothing for the terminal to do.
    if (code == CAN || code == SUB || !m_terminal)
        return;
    m_terminal->dispatchExecute(code);
}

void EscapeSequenceParser::dispatchCsi(uint8_t code, Parameters pars, Bytes collect)
{
    if (m_terminal)
        m_terminal->dispatchCsi(code, pars, collect);
    else if (csiHandlerFallback)
        csiHandlerFallback(pars, collect, code);
}

void EscapeSequenceParser::dispatchEsc(Bytes collect, uint8_t code)
{
    if (m_terminal)
        m_terminal->dispatchEsc(collect, code);
    else if (escHandlerFallback)
        escHandlerFallback(collect, code);
}

void EscapeSequenceParser::dispatchOsc(int64_t code, Bytes data)
{
    if (const auto handler = oscHandlers.find(code); handler != oscHandlers.end() && handler->second)
        handler->second(data);
    else if (m_terminal)
        m_terminal->dispatchOsc(code, data);
    else if (oscHandlerFallback)
        oscHandlerFallback(code, data);
}

void EscapeSequenceParser::dispatchApc(uint8_t command, Bytes content)
{
    if (m_terminal && command == 'G')
        m_terminal->handleKittyGraphics(content);
    else if (apcHandlerFallback)
        apcHandlerFallback(command, content);
}

void EscapeSequenceParser::dispatchDcs(Bytes collect, uint8_t code, Parameters pars)
{
    if (m_sequence.parameterLimitExceeded) {
        // The dropped string's payload must not reach a handler left over from an earlier,
        // abandoned string.
        m_activeDcsHandler.reset();
        return;
    }
    std::unique_ptr<DcsHandler> handler;
    if (m_terminal && code == 'q') {
        if (collect.empty())
            handler = m_terminal->makeSixelDcsHandler();
        else if (collect.size() == 1 && collect[0] == '$')
            handler = m_terminal->makeStatusStringDcsHandler();
    }
    m_activeDcsHandler = std::move(handler);
    m_sequence.dcsLength = 0;
    if (m_activeDcsHandler)
        m_activeDcsHandler->hook(collect, pars, code);
}

void EscapeSequenceParser::addDigit(uint8_t code)
{
    if (m_sequence.parameterLimitExceeded)
        return;
    int& value = m_sequence.pars[size_t(m_sequence.parameterCount - 1)];
    value = std::min(value * 10 + (code - '0'), maxParameterValue);
}

void EscapeSequenceParser::addSeparator(uint8_t code)
{
    Sequence& s = m_sequence;
    if (s.parameterLimitExceeded || s.parameterCount == maxParameters) {
        s.parameterLimitExceeded = true;
        return;
    }
    s.parsTxt[size_t(s.parameterCount - 1)] = code;
    s.pars[size_t(s.parameterCount)] = 0;
    ++s.parameterCount;
}

void EscapeSequenceParser::addCollect(uint8_t code)
{
    if (m_sequence.collectCount == maxCollect) {
        m_sequence.parameterLimitExceeded = true;
        return;
    }
    m_sequence.collect[size_t(m_sequence.collectCount++)] = code;
}

size_t EscapeSequenceParser::collectString(std::vector<uint8_t>& buffer, size_t limit, Bytes data, size_t begin)
{
    const uint8_t* const bytes = data.data();
    const size_t length = data.size();
    for (size_t i = begin; i < length;) {
        const size_t end = findControl(bytes, i, length);
        const size_t count = end - i;
        if (m_sequence.stringOverflow || count == 0) {
            // Nothing to keep.
        } else if (&buffer == &m_apc && m_terminal && (buffer.empty() ? bytes[i] : buffer.front()) != 'G') {
            // A terminal serves only kitty graphics commands: any other APC string keeps its first
            // byte, for the fallback, and the rest is dropped as it arrives.
            if (buffer.empty())
                buffer.push_back(bytes[i]);
        } else if (count > limit - buffer.size()) {
            m_sequence.stringOverflow = true;
            std::vector<uint8_t>().swap(buffer);
            ++m_stringGeneration;
        } else {
            buffer.insert(buffer.end(), bytes + i, bytes + end);
        }
        if (end == length || endsString(bytes[end]))
            return end;
        i = end + 1;
    }
    return length;
}

void EscapeSequenceParser::endString(ParserState state, uint8_t code)
{
    std::vector<uint8_t>& buffer = state == S::apcString ? m_apc : m_osc;
    if (!buffer.empty()) {
        if (code == CAN || code == SUB) {
            clearSequence();
            resetPrintState();
            return;
        }
        if (state == S::apcString)
            dispatchApc(buffer.front(), Bytes(buffer).subspan(1));
        else
            dispatchOscString();
    }
    emptyString(buffer);
    m_sequence.stringOverflow = false;
}

void EscapeSequenceParser::dispatchOscString()
{
    const Bytes string(m_osc);
    const size_t separator = size_t(std::find(string.begin(), string.end(), ';') - string.begin());
    const auto code = parseDecimal(string.first(separator));
    if (!code)
        return;
    dispatchOsc(*code, separator < string.size() ? string.subspan(separator + 1) : Bytes());
}

void EscapeSequenceParser::putDcs(Bytes payload)
{
    if (!m_activeDcsHandler)
        return;
    if (payload.size() > m_limits.maxDcsLength - m_sequence.dcsLength) {
        // Abandoned: the handler gets the payload up to the cap, as it would however the input
        // was split, then it and whatever it collected go, and the rest of the string is read and
        // dropped.
        m_activeDcsHandler->put(payload.first(m_limits.maxDcsLength - m_sequence.dcsLength));
        m_activeDcsHandler.reset();
        return;
    }
    m_sequence.dcsLength += payload.size();
    m_activeDcsHandler->put(payload);
}

void EscapeSequenceParser::unhookDcs()
{
    // Moved out first: the handler is gone once it has finished, whatever unhook() does.
    const auto handler = std::move(m_activeDcsHandler);
    if (handler)
        handler->unhook();
}

void EscapeSequenceParser::clearSequence()
{
    Sequence& s = m_sequence;
    s.pars[0] = 0;
    s.parameterCount = 1;
    s.collectCount = 0;
    s.parameterLimitExceeded = false;
    s.stringOverflow = false;
    if (!m_osc.empty())
        emptyString(m_osc);
    if (!m_apc.empty())
        emptyString(m_apc);
}

void EscapeSequenceParser::emptyString(std::vector<uint8_t>& buffer)
{
    if (buffer.capacity() > keptStringCapacity)
        std::vector<uint8_t>().swap(buffer);
    else
        buffer.clear();
    ++m_stringGeneration;
}

void EscapeSequenceParser::print(Bytes run)
{
    if (printHandler)
        printHandler(run);
}

void EscapeSequenceParser::resetPrintState()
{
    ++m_printStateResetCount;
    if (printStateReset)
        printStateReset();
}

} // namespace zentrova
