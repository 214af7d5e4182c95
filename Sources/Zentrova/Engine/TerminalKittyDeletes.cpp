// The delete modes of the kitty graphics protocol: which strips and records each one selects.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Graphics/KittyPlacementImage.h"

#include <algorithm>

namespace zentrova {
namespace {

bool spans(int64_t value, int64_t first, int64_t count)
{
    return value >= first && value <= first + count - 1;
}

bool imageCoversColumn(const KittyPlacementImage& image, int64_t col)
{
    return spans(col, image.kittyCol, image.kittyCols);
}

bool imageCoversRow(const KittyPlacementImage& image, int64_t row)
{
    return spans(row, image.kittyRow, image.kittyRows);
}

bool recordCoversColumn(const KittyPlacementRecord& record, int64_t col)
{
    return spans(col, record.col, std::max(record.cols, 1));
}

bool recordCoversRow(const KittyPlacementRecord& record, int64_t row)
{
    return spans(row, record.row, std::max(record.rows, 1));
}

} // namespace

void Terminal::deleteKittyPlacements(bool bothBuffers, std::optional<std::pair<int, int>> lineRange,
                                     const KittyImagePredicate& imagePredicate, const KittyRecordPredicate& recordPredicate)
{
    std::set<KittyPlacementKey> keys;
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        if (!bothBuffers && each != m_buffer)
            continue;
        const auto [first, last] = lineRange.value_or(std::pair { 0, each->lines().count() - 1 });
        keys.merge(removeKittyPlacements(*each, first, last, imagePredicate));
    }
    for (const auto& key : removePlacementRecords(recordPredicate))
        keys.erase(key);
    removeKittyPlacementsByKey(keys);
}

void Terminal::deletePlacementsVisibleOnScreen()
{
    const int top = m_buffer->yBase();
    const int bottom = top + rows - 1;
    deleteKittyPlacements(
        false, std::pair { top, bottom }, [](const KittyPlacementImage&) { return true; },
        [&](const KittyPlacementRecord& record) {
            const int64_t lastCol = int64_t(record.col) + std::max(record.cols, 1) - 1;
            const int64_t lastRow = int64_t(record.row) + std::max(record.rows, 1) - 1;
            return record.col <= cols - 1 && lastCol >= 0 && record.row <= bottom && lastRow >= top;
        });
}

void Terminal::deletePlacementsByImageId(uint32_t imageId, std::optional<uint32_t> placementId)
{
    const auto matches = [&](std::optional<uint32_t> id, std::optional<uint32_t> placement) {
        return id == imageId && (!placementId || placement == placementId);
    };
    deleteKittyPlacements(
        true, std::nullopt,
        [&](const KittyPlacementImage& image) { return matches(image.kittyImageId, image.kittyPlacementId); },
        [&](const KittyPlacementRecord& record) { return matches(record.imageId, record.placementId); });
}

void Terminal::deletePlacementsAtCell(int64_t col, int64_t row, std::optional<int64_t> zIndex)
{
    const int64_t column = col - 1;
    const int64_t line = row - 1 + m_buffer->yBase();
    deleteKittyPlacements(
        false, std::nullopt,
        [&](const KittyPlacementImage& image) {
            return (!zIndex || image.kittyZIndex == *zIndex) && imageCoversColumn(image, column)
                && imageCoversRow(image, line);
        },
        [&](const KittyPlacementRecord& record) {
            return (!zIndex || record.zIndex == *zIndex) && recordCoversColumn(record, column)
                && recordCoversRow(record, line);
        });
}

void Terminal::deletePlacementsInColumn(int64_t col)
{
    deleteKittyPlacements(
        false, std::nullopt, [&](const KittyPlacementImage& image) { return imageCoversColumn(image, col - 1); },
        [&](const KittyPlacementRecord& record) { return recordCoversColumn(record, col - 1); });
}

void Terminal::deletePlacementsInRow(int64_t row)
{
    const int64_t line = row - 1 + m_buffer->yBase();
    deleteKittyPlacements(
        false, std::nullopt, [&](const KittyPlacementImage& image) { return imageCoversRow(image, line); },
        [&](const KittyPlacementRecord& record) { return recordCoversRow(record, line); });
}

void Terminal::deletePlacementsWithZIndex(int64_t zIndex)
{
    deleteKittyPlacements(
        true, std::nullopt, [&](const KittyPlacementImage& image) { return image.kittyZIndex == zIndex; },
        [&](const KittyPlacementRecord& record) { return record.zIndex == zIndex; });
}

void Terminal::deletePlacementsByImageIdRange(uint32_t minId, uint32_t maxId)
{
    const auto inRange = [&](std::optional<uint32_t> id) { return id && *id >= minId && *id <= maxId; };
    deleteKittyPlacements(
        true, std::nullopt, [&](const KittyPlacementImage& image) { return inRange(image.kittyImageId); },
        [&](const KittyPlacementRecord& record) { return inRange(record.imageId); });
}

} // namespace zentrova
