#include "Zentrova/Graphics/KittyGraphicsPending.h"

#include "Zentrova/Graphics/KittyPayloadLoading.h"

namespace zentrova {

KittyGraphicsPending::KittyGraphicsPending(const KittyGraphicsControl& control, size_t cap)
    : m_control(control)
    , m_cap(cap)
{
    if (const auto expected = control.compression ? std::nullopt : kittyExpectedDataSize(control))
        m_data.reserve(std::min(*expected, KittyBase64Decoder::maximumDecodedSize(cap)) + 16);
}

void KittyGraphicsPending::append(std::span<const uint8_t> text)
{
    if (m_dropped)
        return;
    if (text.size() > m_cap - m_size) {
        m_dropped = true;
        m_size = 0;
        m_data = {};
        return;
    }
    m_size += text.size();
    m_decoder.feed(text, m_data);
}

std::optional<std::vector<uint8_t>> KittyGraphicsPending::takeDecoded()
{
    if (!m_decoder.finish(m_data))
        return std::nullopt;
    return std::move(m_data);
}

} // namespace zentrova
