#pragma once

#include "Zentrova/Engine/ImageSizeRequest.h"

#include <compare>
#include <cstdint>
#include <optional>

namespace zentrova {

// An image id with one of its placement ids: the key of a placement.
struct KittyPlacementKey {
    uint32_t imageId = 0;
    uint32_t placementId = 0;

    auto operator<=>(const KittyPlacementKey&) const = default;
};

// Where a placement of an image stands. `row` is a ring index of its screen's buffer (screen row plus
// yBase); `col` a 0-based screen column; the size is in cells. A relative placement keeps its parent
// and offsets and is positioned again whenever rows scroll.
struct KittyPlacementRecord {
    uint32_t imageId = 0;
    uint32_t placementId = 0;
    std::optional<uint32_t> parentImageId;
    std::optional<uint32_t> parentPlacementId;
    int parentOffsetH = 0;
    int parentOffsetV = 0;
    int pixelOffsetX = 0;
    int pixelOffsetY = 0;
    int col = 0;
    int row = 0;
    int cols = 0;
    int rows = 0;
    int zIndex = 0;
    bool isVirtual = false;
    bool isAlternateBuffer = false;

    KittyPlacementKey key() const { return { imageId, placementId }; }
    bool hasParent() const { return parentImageId && parentPlacementId; }
    bool operator==(const KittyPlacementRecord&) const = default;
};

// The placement a terminal asks its host to make while the host creates the image object (set only
// during that call): the host places the image at the cursor with these ids, z-index and offsets.
struct KittyPlacementContext {
    std::optional<uint32_t> imageId;
    std::optional<uint32_t> imageNumber;
    std::optional<uint32_t> placementId;
    std::optional<uint32_t> parentImageId;
    std::optional<uint32_t> parentPlacementId;
    int parentOffsetH = 0;
    int parentOffsetV = 0;
    int zIndex = 0;
    ImageSizeRequest widthRequest;
    ImageSizeRequest heightRequest;
    bool preserveAspectRatio = true;
    int cursorPolicy = 0;
    bool isRelative = false;
    int pixelOffsetX = 0;
    int pixelOffsetY = 0;

    bool operator==(const KittyPlacementContext&) const = default;
};

} // namespace zentrova
