#include "Zentrova/Parser/TransitionTable.h"

#include <initializer_list>

namespace zentrova {

namespace {

using A = ParserAction;
using S = ParserState;

constexpr int stateCount = 15;

// Printable bytes, and the C0 controls that are executed (CAN included, EM, SUB and ESC not).
constexpr int printableLow = 0x20;
constexpr int printableHigh = 0x7F;

struct Builder {
    TransitionTable t;

    void printable(S state, A action, S next) { t.addRange(printableLow, printableHigh, state, action, next); }

    void executable(S state, A action, S next)
    {
        t.addRange(0x00, 0x19, state, action, next);
        t.addRange(0x1C, 0x20, state, action, next);
    }

    void bytes(std::initializer_list<int> codes, S state, A action, S next)
    {
        for (int code : codes)
            t.add(uint8_t(code), state, action, next);
    }

    void privateMarkers(S state, A action, S next) { bytes({ '<', '=', '>', '?' }, state, action, next); }
    void digits(S state, A action, S next) { t.addRange('0', '9' + 1, state, action, next); }
    void intermediates(S state, A action, S next) { t.addRange(0x20, 0x30, state, action, next); }
    void finals(S state, A action, S next) { t.addRange(0x40, 0x7F, state, action, next); }
    void separators(S state, A action, S next) { t.add(';', state, action, next); }
};

// OSC and APC strings. Bytes 0x80 and above are content wherever they fall, so UTF-8 text survives
// a read boundary inside a character: a continuation byte is never taken for a C1 control or an
// 8-bit ST. C0 controls other than the terminators are skipped. EscapeSequenceParser's string
// loop follows these same rules without the table.
void addStringState(Builder& b, S state)
{
    b.t.addRange(0x00, 0x20, state, A::ignore, state);
    b.t.addRange(0x20, 0xA1, state, A::oscPut, state);
    b.bytes({ 0x07, 0x18, 0x1A, 0x1B }, state, A::oscEnd, S::ground);
}

} // namespace

// Later steps overwrite earlier ones, so the order below is part of the table's meaning.
TransitionTable buildVt500TransitionTable()
{
    Builder b;
    for (int i = 0; i < stateCount; ++i)
        b.t.addRange(0x00, 0xA1, S(i), A::error, S::ground);

    b.printable(S::ground, A::print, S::ground);

    // Rules that hold in every state.
    for (int i = 0; i < stateCount; ++i) {
        const S state = S(i);
        b.bytes({ 0x18, 0x1A, 0x99, 0x9A }, state, A::execute, S::ground);
        b.t.addRange(0x80, 0x90, state, A::execute, S::ground);
        b.t.addRange(0x90, 0x98, state, A::execute, S::ground);
        b.t.add(0x9C, state, A::ignore, S::ground);
        b.t.add(0x1B, state, A::clear, S::escape);
        b.t.add(0x9D, state, A::oscStart, S::oscString);
        b.bytes({ 0x98, 0x9E }, state, A::ignore, S::sosPmApcString);
        b.t.add(0x9F, state, A::oscStart, S::apcString);
        b.t.add(0x9B, state, A::clear, S::csiEntry);
        b.t.add(0x90, state, A::clear, S::dcsEntry);
    }

    b.executable(S::ground, A::execute, S::ground);
    b.executable(S::escape, A::execute, S::escape);
    b.t.add(0x7F, S::escape, A::ignore, S::escape);

    for (S state : { S::csiEntry, S::csiParam, S::csiIgnore, S::csiIntermediate, S::escapeIntermediate })
        b.executable(state, A::execute, state);
    for (S state : { S::csiEntry, S::csiParam, S::csiIntermediate, S::escapeIntermediate })
        b.t.add(0x7F, state, A::ignore, state);

    b.t.add(']', S::escape, A::oscStart, S::oscString);
    addStringState(b, S::oscString);
    b.t.add('_', S::escape, A::oscStart, S::apcString);
    addStringState(b, S::apcString);

    // SOS and PM: received and dropped.
    b.bytes({ 'X', '^' }, S::escape, A::ignore, S::sosPmApcString);
    b.printable(S::sosPmApcString, A::ignore, S::sosPmApcString);
    b.executable(S::sosPmApcString, A::ignore, S::sosPmApcString);
    b.t.add(0x7F, S::sosPmApcString, A::ignore, S::sosPmApcString);
    b.t.add(0x9C, S::sosPmApcString, A::ignore, S::ground);

    b.t.add('[', S::escape, A::clear, S::csiEntry);
    b.finals(S::csiEntry, A::csiDispatch, S::ground);
    b.digits(S::csiEntry, A::param, S::csiParam);
    b.separators(S::csiEntry, A::param, S::csiParam);
    b.privateMarkers(S::csiEntry, A::collect, S::csiParam);
    b.intermediates(S::csiEntry, A::collect, S::csiIntermediate);

    b.digits(S::csiParam, A::param, S::csiParam);
    b.bytes({ ';', ':' }, S::csiParam, A::param, S::csiParam);
    b.finals(S::csiParam, A::csiDispatch, S::ground);
    b.privateMarkers(S::csiParam, A::ignore, S::csiIgnore);
    b.intermediates(S::csiParam, A::collect, S::csiIntermediate);

    b.t.addRange(0x20, 0x40, S::csiIgnore, A::ignore, S::csiIgnore);
    b.t.add(0x7F, S::csiIgnore, A::ignore, S::csiIgnore);
    b.finals(S::csiIgnore, A::ignore, S::ground);

    b.intermediates(S::csiIntermediate, A::collect, S::csiIntermediate);
    b.t.addRange(0x30, 0x40, S::csiIntermediate, A::ignore, S::csiIgnore);
    b.finals(S::csiIntermediate, A::csiDispatch, S::ground);

    b.intermediates(S::escape, A::collect, S::escapeIntermediate);
    b.t.addRange(0x30, 0x50, S::escape, A::escDispatch, S::ground);
    b.t.addRange(0x51, 0x58, S::escape, A::escDispatch, S::ground);
    b.bytes({ 'Y', 'Z', '\\' }, S::escape, A::escDispatch, S::ground);
    b.t.addRange(0x60, 0x7F, S::escape, A::escDispatch, S::ground);
    b.t.add('P', S::escape, A::clear, S::dcsEntry);
    b.intermediates(S::escapeIntermediate, A::collect, S::escapeIntermediate);
    b.t.addRange(0x30, 0x7F, S::escapeIntermediate, A::escDispatch, S::ground);

    for (S state : { S::dcsEntry, S::dcsParam, S::dcsIgnore, S::dcsIntermediate }) {
        b.executable(state, A::ignore, state);
        b.t.add(0x7F, state, A::ignore, state);
    }
    b.intermediates(S::dcsEntry, A::collect, S::dcsIntermediate);
    b.t.add(':', S::dcsEntry, A::ignore, S::dcsIgnore);
    b.digits(S::dcsEntry, A::param, S::dcsParam);
    b.separators(S::dcsEntry, A::param, S::dcsParam);
    b.privateMarkers(S::dcsEntry, A::collect, S::dcsParam);

    b.t.addRange(0x20, 0x80, S::dcsIgnore, A::ignore, S::dcsIgnore);

    b.digits(S::dcsParam, A::param, S::dcsParam);
    b.separators(S::dcsParam, A::param, S::dcsParam);
    b.bytes({ ':', '<', '=', '>', '?' }, S::dcsParam, A::ignore, S::dcsIgnore);
    b.intermediates(S::dcsParam, A::collect, S::dcsIntermediate);

    b.intermediates(S::dcsIntermediate, A::collect, S::dcsIntermediate);
    b.t.addRange(0x30, 0x40, S::dcsIntermediate, A::ignore, S::dcsIgnore);
    for (S state : { S::dcsIntermediate, S::dcsParam, S::dcsEntry })
        b.finals(state, A::dcsHook, S::dcsPassthrough);

    b.executable(S::dcsPassthrough, A::dcsPut, S::dcsPassthrough);
    b.printable(S::dcsPassthrough, A::dcsPut, S::dcsPassthrough);
    b.t.add(0x7F, S::dcsPassthrough, A::ignore, S::dcsPassthrough);
    b.bytes({ 0x1B, 0x9C }, S::dcsPassthrough, A::dcsUnhook, S::ground);

    return b.t;
}

const TransitionTable& sharedVt500Table()
{
    static const TransitionTable table = buildVt500TransitionTable();
    return table;
}

} // namespace zentrova
