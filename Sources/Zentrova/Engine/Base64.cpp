#include "Zentrova/Engine/Base64.h"

#include <array>

namespace zentrova {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six-bit value of each alphabet byte; -1 for every other byte.
constexpr std::array<int8_t, 256> makeValues()
{
    std::array<int8_t, 256> values {};
    values.fill(-1);
    for (int index = 0; index < 64; index++)
        values[uint8_t(alphabet[index])] = int8_t(index);
    return values;
}

constexpr std::array<int8_t, 256> values = makeValues();

} // namespace

std::string Base64::encode(std::span<const uint8_t> data)
{
    std::string text;
    text.reserve((data.size() + 2) / 3 * 4);
    size_t index = 0;
    for (; index + 3 <= data.size(); index += 3) {
        const uint32_t group = uint32_t(data[index]) << 16 | uint32_t(data[index + 1]) << 8 | data[index + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            text += alphabet[(group >> shift) & 0x3F];
    }
    const size_t rest = data.size() - index;
    if (rest > 0) {
        const uint32_t group = uint32_t(data[index]) << 16 | (rest == 2 ? uint32_t(data[index + 1]) << 8 : 0);
        text += alphabet[group >> 18];
        text += alphabet[(group >> 12) & 0x3F];
        text += rest == 2 ? alphabet[(group >> 6) & 0x3F] : '=';
        text += '=';
    }
    return text;
}

std::optional<std::vector<uint8_t>> Base64::decode(std::span<const uint8_t> text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        padding++;
    std::vector<uint8_t> data;
    data.reserve(text.size() / 4 * 3);
    for (size_t index = 0; index < text.size(); index += 4) {
        uint32_t group = 0;
        for (size_t offset = 0; offset < 4; offset++) {
            const size_t at = index + offset;
            const bool isPadding = at >= text.size() - padding;
            const int value = isPadding ? 0 : values[text[at]];
            if (value < 0)
                return std::nullopt;
            group = group << 6 | uint32_t(value);
        }
        data.push_back(uint8_t(group >> 16));
        data.push_back(uint8_t(group >> 8));
        data.push_back(uint8_t(group));
    }
    data.resize(data.size() - padding);
    return data;
}

} // namespace zentrova
