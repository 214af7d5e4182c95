#include "Zentrova/Graphics/KittyGraphicsState.h"

#include <algorithm>
#include <vector>

namespace zentrova {

void KittyGraphicsState::store(KittyGraphicsPayload payload, uint32_t imageId, std::optional<uint32_t> imageNumber)
{
    const int64_t byteSize = int64_t(payload.bytes.size());
    const uint64_t tick = nextImageAccessTick++;
    if (auto old = imagesById.find(imageId); old != imagesById.end())
        totalImageBytes = std::max<int64_t>(totalImageBytes - old->second.byteSize, 0);
    imagesById[imageId] = KittyGraphicsImage { std::move(payload), byteSize, tick, nextImageGeneration++ };
    totalImageBytes += byteSize;
    if (imageNumber)
        imageNumbers[*imageNumber] = imageId;
}

const KittyGraphicsImage* KittyGraphicsState::access(uint32_t imageId)
{
    const auto found = imagesById.find(imageId);
    if (found == imagesById.end())
        return nullptr;
    found->second.lastAccessTick = nextImageAccessTick++;
    return &found->second;
}

void KittyGraphicsState::removeImage(uint32_t imageId)
{
    const auto found = imagesById.find(imageId);
    if (found == imagesById.end())
        return;
    totalImageBytes = std::max<int64_t>(totalImageBytes - found->second.byteSize, 0);
    imagesById.erase(found);
    removeImageNumbers(imageId);
}

void KittyGraphicsState::removeImageNumbers(uint32_t imageId)
{
    std::erase_if(imageNumbers, [&](const auto& entry) { return entry.second == imageId; });
}

void KittyGraphicsState::evict(int64_t limit, const std::set<uint32_t>& usedIds)
{
    if (totalImageBytes <= limit)
        return;
    std::vector<std::pair<uint64_t, uint32_t>> byTick;
    byTick.reserve(imagesById.size());
    for (const auto& [id, image] : imagesById)
        byTick.emplace_back(image.lastAccessTick, id);
    std::sort(byTick.begin(), byTick.end());
    for (const bool placedToo : { false, true }) {
        for (const auto& [tick, id] : byTick) {
            if (totalImageBytes <= limit)
                return;
            if (placedToo || !usedIds.contains(id))
                removeImage(id);
        }
    }
}

uint32_t KittyGraphicsState::takeImageId()
{
    // At most one id per stored image is taken, so the loop ends.
    uint32_t id = nextImageId;
    while (id == 0 || imagesById.contains(id))
        id++;
    nextImageId = id + 1;
    return id;
}

uint32_t KittyGraphicsState::takePlacementId(uint32_t imageId)
{
    uint32_t id = nextPlacementId;
    while (id == 0 || placementsByKey.contains({ imageId, id }))
        id++;
    nextPlacementId = id + 1;
    return id;
}

void KittyGraphicsState::clear()
{
    imagesById.clear();
    imageNumbers.clear();
    placementsByKey.clear();
    totalImageBytes = 0;
    nextImageAccessTick = 1;
}

} // namespace zentrova
