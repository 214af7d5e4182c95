#include "ZentrovaView/KittyPlaceholderImages.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Graphics/KittyGraphicsState.h"

namespace zentrova {

void KittyPlaceholderImages::gather()
{
    m_gathered = true;
    if (!m_terminal.hasKittyGraphicsState())
        return;
    const bool alternate = m_terminal.isCurrentBufferAlternate();
    for (const auto& [key, record] : m_terminal.kittyGraphicsState().placementsByKey) {
        if (record.isVirtual && record.isAlternateBuffer == alternate)
            m_placements[key.imageId].push_back(record);
    }
}

const KittyPlacementRecord* KittyPlaceholderImages::placement(const KittyPlaceholderCell& cell)
{
    if (!m_gathered)
        gather();
    const auto found = m_placements.find(cell.imageId);
    if (found == m_placements.end())
        return nullptr;
    for (const KittyPlacementRecord& record : found->second) {
        if ((cell.placementId == 0 || record.placementId == cell.placementId) && record.cols > 0 && record.rows > 0
            && cell.placeholderCol < record.cols && cell.placeholderRow < record.rows)
            return &record;
    }
    return nullptr;
}

const QImage* KittyPlaceholderImages::image(uint32_t imageId)
{
    auto [entry, inserted] = m_images.try_emplace(imageId);
    if (inserted) {
        if (const KittyGraphicsImage* stored = m_terminal.kittyGraphicsState().access(imageId)) {
            const KittyGraphicsPayload& payload = stored->payload;
            QImage image;
            if (payload.isPng()) {
                image = QImage::fromData(payload.bytes.data(), int(payload.bytes.size()));
            } else if (payload.width > 0 && payload.height > 0
                       && payload.bytes.size() >= size_t(payload.width) * size_t(payload.height) * 4) {
                image = QImage(payload.bytes.data(), payload.width, payload.height, payload.width * 4,
                               QImage::Format_RGBA8888)
                            .copy();
            }
            if (!image.isNull())
                entry->second = std::move(image);
        }
    }
    return entry->second ? &*entry->second : nullptr;
}

} // namespace zentrova
