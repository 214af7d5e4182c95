#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zentrova {

// Decodes base64 text fed in pieces that may split a group of four anywhere. Bytes outside the
// alphabet (padding, line breaks) are skipped; a text whose letters leave a single one over fails.
class KittyBase64Decoder {
public:
    // Room for what `textSize` bytes of text can decode to.
    static size_t maximumDecodedSize(size_t textSize) { return textSize / 4 * 3 + 3; }

    // Appends what the text decodes to.
    void feed(std::span<const uint8_t> text, std::vector<uint8_t>& output);
    // Writes the last partial group; false when it cannot be one.
    bool finish(std::vector<uint8_t>& output);

    // The whole of a text in pieces, or nothing.
    static bool decode(std::span<const std::span<const uint8_t>> pieces, std::vector<uint8_t>& output);

private:
    uint32_t m_group = 0;
    int m_count = 0;
};

} // namespace zentrova
