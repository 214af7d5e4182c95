#include "Zentrova/Graphics/KittyBase64Decoder.h"

#include <array>

namespace zentrova {
namespace {

constexpr uint8_t invalid = 0x80;

constexpr std::array<uint8_t, 256> makeValues()
{
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::array<uint8_t, 256> values {};
    values.fill(invalid);
    for (int index = 0; index < 64; index++)
        values[uint8_t(alphabet[index])] = uint8_t(index);
    return values;
}

constexpr std::array<uint8_t, 256> values = makeValues();

} // namespace

void KittyBase64Decoder::feed(std::span<const uint8_t> text, std::vector<uint8_t>& output)
{
    const uint8_t* in = text.data();
    const uint8_t* const end = in + text.size();
    const size_t start = output.size();
    output.resize(start + maximumDecodedSize(text.size()) + 3);
    uint8_t* out = output.data() + start;
    const auto write = [&](uint32_t group) {
        out[0] = uint8_t(group >> 16);
        out[1] = uint8_t(group >> 8);
        out[2] = uint8_t(group);
        out += 3;
    };
    const auto take = [&](uint8_t value) {
        if (value == invalid)
            return;
        m_group = m_group << 6 | value;
        if (++m_count == 4) {
            write(m_group);
            m_count = 0;
            m_group = 0;
        }
    };

    // Finish a group the previous piece left open.
    while (m_count != 0 && in < end)
        take(values[*in++]);
    while (end - in >= 4) {
        // Whole groups of four letters: the common case, with no byte to skip.
        const uint8_t a = values[in[0]], b = values[in[1]], c = values[in[2]], d = values[in[3]];
        if (((a | b | c | d) & invalid) == 0) {
            write(uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(c) << 6 | d);
            in += 4;
            continue;
        }
        // A skipped byte inside: letters one by one until a group is whole again.
        do
            take(values[*in++]);
        while (m_count != 0 && in < end);
    }
    while (in < end)
        take(values[*in++]);
    output.resize(size_t(out - output.data()));
}

bool KittyBase64Decoder::finish(std::vector<uint8_t>& output)
{
    switch (m_count) {
    case 0: break;
    case 2: output.push_back(uint8_t(m_group >> 4)); break;
    case 3:
        output.push_back(uint8_t(m_group >> 10));
        output.push_back(uint8_t(m_group >> 2));
        break;
    default: return false;
    }
    m_count = 0;
    m_group = 0;
    return true;
}

bool KittyBase64Decoder::decode(std::span<const std::span<const uint8_t>> pieces, std::vector<uint8_t>& output)
{
    size_t total = 0;
    for (const auto& piece : pieces)
        total += piece.size();
    output.reserve(output.size() + maximumDecodedSize(total) + 16);
    KittyBase64Decoder decoder;
    for (const auto& piece : pieces)
        decoder.feed(piece, output);
    return decoder.finish(output);
}

} // namespace zentrova
