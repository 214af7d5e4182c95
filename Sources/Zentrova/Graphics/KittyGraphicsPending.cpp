#include "Zentrova/Graphics/KittyGraphicsPending.h"

#include <algorithm>

namespace zentrova {

void KittyGraphicsPending::append(std::span<const uint8_t> text)
{
    if (m_dropped)
        return;
    if (text.size() > m_cap - m_size) {
        m_dropped = true;
        m_size = 0;
        m_blocks = {};
        return;
    }
    m_size += text.size();
    while (!text.empty()) {
        if (m_blocks.empty() || m_blocks.back().size() == blockSize) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(std::min(blockSize, std::max(text.size(), size_t(4096))));
        }
        std::vector<uint8_t>& block = m_blocks.back();
        const size_t room = blockSize - block.size();
        const size_t taken = std::min(room, text.size());
        if (block.capacity() < block.size() + taken)
            block.reserve(std::min(blockSize, std::max(block.capacity() * 2, block.size() + taken)));
        block.insert(block.end(), text.begin(), text.begin() + ptrdiff_t(taken));
        text = text.subspan(taken);
    }
}

std::vector<std::span<const uint8_t>> KittyGraphicsPending::pieces() const
{
    std::vector<std::span<const uint8_t>> spans;
    spans.reserve(m_blocks.size());
    for (const auto& block : m_blocks)
        spans.emplace_back(block);
    return spans;
}

} // namespace zentrova
