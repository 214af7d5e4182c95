#pragma once

#include "Zentrova/Graphics/KittyBase64Decoder.h"
#include "Zentrova/Graphics/KittyGraphicsControl.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zentrova {

// A chunked transfer being collected: the keys of its first chunk and the data of every chunk so
// far, decoded from base64 as each arrives (a chunk may end inside a group of four letters), so the
// text and the data are never both held whole. When the first chunk announces raw pixels, their
// size is reserved at once and the data never moves. Once the text passes the cap the transfer is
// dropped: the data is freed and later chunks are ignored until the final one.
class KittyGraphicsPending {
public:
    KittyGraphicsPending(const KittyGraphicsControl& control, size_t cap);

    const KittyGraphicsControl& control() const { return m_control; }
    bool dropped() const { return m_dropped; }
    // Base64 letters taken so far.
    size_t size() const { return m_size; }
    void append(std::span<const uint8_t> text);
    // The whole data; nothing when the text did not decode.
    std::optional<std::vector<uint8_t>> takeDecoded();

private:
    KittyGraphicsControl m_control;
    size_t m_cap;
    size_t m_size = 0;
    bool m_dropped = false;
    KittyBase64Decoder m_decoder;
    std::vector<uint8_t> m_data;
};

} // namespace zentrova
