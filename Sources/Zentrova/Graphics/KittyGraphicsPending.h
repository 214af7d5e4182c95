#pragma once

#include "Zentrova/Graphics/KittyGraphicsControl.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zentrova {

// A chunked transfer being collected: the keys of its first chunk and the base64 text of every chunk
// so far. The text is kept in blocks of a fixed size, so a growing transfer never holds a buffer and
// its doubled copy at once. Once the text passes the cap the transfer is dropped: the text is freed
// and later chunks are ignored until the final one.
class KittyGraphicsPending {
public:
    KittyGraphicsPending(const KittyGraphicsControl& control, size_t cap)
        : m_control(control)
        , m_cap(cap)
    {
    }

    const KittyGraphicsControl& control() const { return m_control; }
    bool dropped() const { return m_dropped; }
    size_t size() const { return m_size; }
    void append(std::span<const uint8_t> text);
    // The collected text, block by block.
    std::vector<std::span<const uint8_t>> pieces() const;

    static constexpr size_t blockSize = 1 << 20;

private:
    KittyGraphicsControl m_control;
    size_t m_cap;
    size_t m_size = 0;
    bool m_dropped = false;
    std::vector<std::vector<uint8_t>> m_blocks;
};

} // namespace zentrova
