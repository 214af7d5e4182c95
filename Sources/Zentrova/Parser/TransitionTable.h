#pragma once

#include "Zentrova/Parser/ParserAction.h"
#include "Zentrova/Parser/ParserState.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrova {

// The parser's transition table: for each (state, byte) one entry holding the action in the high
// four bits and the next state in the low four. Bytes 0xA0 and above share the entry of 0xA0, so
// a state needs 161 entries; the rows are still 256 apart to keep the index a shift and an add.
class TransitionTable {
public:
    static constexpr size_t size = 4095;
    static constexpr uint8_t highestDistinctByte = 0xA0;

    struct Transition {
        ParserAction action;
        ParserState next;
    };

    constexpr void add(uint8_t code, ParserState state, ParserAction action, ParserState next)
    {
        m_entries[index(state, code)] = uint8_t(uint8_t(action) << 4 | uint8_t(next));
    }

    // Bytes from `low` up to but excluding `high`.
    constexpr void addRange(int low, int high, ParserState state, ParserAction action, ParserState next)
    {
        for (int code = low; code < high; ++code)
            add(uint8_t(code), state, action, next);
    }

    constexpr uint8_t entry(ParserState state, uint8_t code) const
    {
        return m_entries[index(state, code < highestDistinctByte ? code : highestDistinctByte)];
    }

    constexpr Transition transition(ParserState state, uint8_t code) const
    {
        const uint8_t value = entry(state, code);
        return { ParserAction(value >> 4), ParserState(value & 0x0F) };
    }

private:
    static constexpr size_t index(ParserState state, uint8_t code) { return size_t(state) * 256 + code; }

    std::array<uint8_t, size> m_entries {};
};

TransitionTable buildVt500TransitionTable();

// The one table every parser uses, built once, on first use.
const TransitionTable& sharedVt500Table();

} // namespace zentrova
