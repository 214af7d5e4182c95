#pragma once

#include "Zentrova/Graphics/KittyGraphicsPayload.h"
#include "Zentrova/Graphics/KittyGraphicsPending.h"
#include "Zentrova/Graphics/KittyPlacement.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

namespace zentrova {

// A stored image. `generation` changes whenever an image is stored under its id, so a drawing cache
// keyed by it never shows an older image that had the same id.
struct KittyGraphicsImage {
    KittyGraphicsPayload payload;
    int64_t byteSize = 0;
    uint64_t lastAccessTick = 0;
    uint64_t generation = 0;
};

// A terminal's kitty images and placements. The terminal changes it; its host reads it. Images are
// held under a byte budget, the least recently used unplaced ones going first.
class KittyGraphicsState {
public:
    std::unordered_map<uint32_t, KittyGraphicsImage> imagesById;
    // Client image number -> image id.
    std::unordered_map<uint32_t, uint32_t> imageNumbers;
    uint32_t nextImageId = 1;
    uint32_t nextPlacementId = 1;
    std::optional<KittyGraphicsPending> pending;
    std::map<KittyPlacementKey, KittyPlacementRecord> placementsByKey;
    int64_t totalImageBytes = 0;
    uint64_t nextImageAccessTick = 1;
    uint64_t nextImageGeneration = 1;

    // Stores or replaces the image under `imageId` and maps `imageNumber` to it.
    void store(KittyGraphicsPayload payload, uint32_t imageId, std::optional<uint32_t> imageNumber);
    // The image, its access tick stamped; nothing for an unknown id.
    const KittyGraphicsImage* access(uint32_t imageId);
    // Removes the image with its size and every number mapped to it.
    void removeImage(uint32_t imageId);
    void removeImageNumbers(uint32_t imageId);
    // Evicts images until the total fits `limit`: those outside `usedIds` first, each group by
    // access tick.
    void evict(int64_t limit, const std::set<uint32_t>& usedIds);
    // A fresh id for an image sent with a number only: never 0 and never one in use.
    uint32_t takeImageId();
    // A fresh placement id for the image: never 0 and never one of its placements.
    uint32_t takePlacementId(uint32_t imageId);
    // Images, numbers and placements go; the id counters and a pending transfer stay.
    void clear();
};

} // namespace zentrova
