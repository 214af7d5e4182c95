#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zentrova {

// Decodes base64 text fed in pieces that may split a group of four anywhere. Bytes outside the
// alphabet (padding, line breaks) are skipped; a text whose letters leave a single one over fails.
class KittyBase64Decoder {
public:
    explicit KittyBase64Decoder(std::vector<uint8_t>& output)
        : m_output(output)
    {
    }

    // Room for what `textSize` bytes of text can decode to.
    static size_t maximumDecodedSize(size_t textSize) { return textSize / 4 * 3 + 3; }

    void feed(std::span<const uint8_t> text);
    // Writes the last partial group; false when it cannot be one.
    bool finish();

    // The whole of a text in pieces, or nothing.
    static bool decode(std::span<const std::span<const uint8_t>> pieces, std::vector<uint8_t>& output);

private:
    std::vector<uint8_t>& m_output;
    uint32_t m_group = 0;
    int m_count = 0;
};

} // namespace zentrova
