#pragma once

// CSI parameter bytes read eight at a time. Parameters are most of the bytes of colour-heavy
// output, and read one byte at a time every number of unforeseen length costs the processor a
// wrong guess at its last digit. Here a whole stretch of parameters is classified first, and each
// number is then converted from the one word that holds it.
//
// Plain integer arithmetic on words assembled in little-endian order, so the results are the same
// on every machine.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zentrova::parameterbytes {

inline constexpr uint64_t ones = 0x0101010101010101ULL;
inline constexpr uint64_t highBits = ones * 0x80;

// The eight bytes from `bytes` with byte k in bits 8k...8k+7.
inline uint64_t loadWord(const uint8_t* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    if constexpr (std::endian::native == std::endian::big) {
        uint64_t reversed = 0;
        for (int k = 0; k < 8; ++k)
            reversed |= ((word >> (8 * k)) & 0xFF) << (56 - 8 * k);
        word = reversed;
    }
    return word;
}

// The high bit of each byte gathered into bit k for byte k.
inline uint32_t gatherHighBits(uint64_t flags)
{
    return uint32_t((flags * 0x0002040810204081ULL) >> 56);
}

struct ParameterRun {
    // Parameter bytes before the first other byte, at most `longestRun`.
    size_t length = 0;
    // The separators among them, bit k for byte k.
    uint64_t separators = 0;
};

inline constexpr size_t longestRun = 64;

// The parameter bytes ("0"..."9", ":" and ";", which are 0x30...0x3B) that start at `bytes`. Reads up to longestRun bytes, in whole words.
inline ParameterRun scanParameters(const uint8_t* bytes)
{
    uint64_t separators = 0;
    for (size_t k = 0; k < longestRun / 8; ++k) {
        const uint64_t word = loadWord(bytes + 8 * k);
        // Per byte the high bit is set from 0x80 on, becomes set by adding 0x44 from 0x3C on and by
        // subtracting 0x30 below 0x30. A carry or a borrow starts only at a byte that is flagged
        // anyway and moves to later bytes, so everything before the first flagged byte is exact.
        const uint64_t others = (word | (word + ones * 0x44) | ((word - ones * 0x30) & ~word)) & highBits;
        // From 0x3A on, which among parameter bytes leaves the separators.
        const uint64_t colons = (word + ones * 0x46) & highBits;
        const uint64_t before = others == 0 ? ~uint64_t(0) : (others & (0 - others)) - 1;
        separators |= uint64_t(gatherHighBits(colons & before)) << (8 * k);
        if (others != 0)
            return { 8 * k + size_t(std::countr_zero(others)) / 8, separators };
    }
    return { longestRun, separators };
}

// `value` with the `count` decimal digits at `digits` appended, saturating at `limit`. Reads eight
// bytes from `digits` when count is at most eight; the bytes past the digits do not matter.
inline int appendDigits(int value, const uint8_t* digits, size_t count, int limit)
{
    if (count == 0)
        return value;
    if (count <= 4) {
        // The usual case, in half a word: no product can reach the limit.
        uint32_t x = uint32_t(loadWord(digits) - ones * '0') << (32 - 8 * count);
        x = (x * (10 << 8 | 1) >> 8) & 0x00FF00FF;
        x = (x * (100 << 16 | 1) >> 16) & 0xFFFF;
        static constexpr int smallPowersOfTen[] = { 1, 10, 100, 1000, 10000 };
        return value == 0 ? int(x) : std::min(value * smallPowersOfTen[count] + int(x), limit);
    }
    if (count > 8) {
        for (size_t k = 0; k < count; ++k)
            value = std::min(value * 10 + (digits[k] - '0'), limit);
        return value;
    }
    // The digits as bytes 0...9 at the top of the word, the first the most significant; the bytes
    // beyond them are shifted out, and so is any borrow they caused. Then neighbouring digits,
    // pairs and quadruples are combined, each step in lanes twice as wide: one product adds ten (a
    // hundred, ten thousand) times each lane to the lane above it, which the shift brings down.
    uint64_t x = (loadWord(digits) - ones * '0') << (64 - 8 * count);
    x = (x * (10 << 8 | 1) >> 8) & 0x00FF00FF00FF00FFULL;
    x = (x * (100 << 16 | 1) >> 16) & 0x0000FFFF0000FFFFULL;
    x = (x * (uint64_t(10000) << 32 | 1) >> 32) & 0xFFFFFFFFULL;
    static constexpr uint64_t powersOfTen[] = { 1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000 };
    // value is at most `limit` before, so nothing here comes near overflowing.
    return int(std::min(uint64_t(value) * powersOfTen[count] + x, uint64_t(limit)));
}

} // namespace zentrova::parameterbytes
