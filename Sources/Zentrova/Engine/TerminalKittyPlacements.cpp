// The kitty image store as the terminal uses it: storing and evicting images, placing them through
// the host, deleting placements, and keeping placements on their rows when rows scroll, the screen is
// erased or the screens switch.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Graphics/KittyGraphicsControl.h"
#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Graphics/KittyPayloadLoading.h"
#include "Zentrova/Graphics/KittyPlacementImage.h"
#include "Zentrova/Graphics/KittyPng.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace zentrova {
namespace {

// A placement's top row (ring index) and left column.
struct KittyPosition {
    int row = 0;
    int col = 0;
    bool operator==(const KittyPosition&) const = default;
};
using KittyPositions = std::map<KittyPlacementKey, KittyPosition>;
using KittyPositionMemo = std::map<KittyPlacementKey, std::optional<KittyPosition>>;

// Numbers from the child stay within what a screen can use, and sums of them cannot overflow.
constexpr int64_t maximumCells = kittyMaximumDimension;
int clampToInt(int64_t value, int64_t low = INT_MIN, int64_t high = INT_MAX)
{
    return int(std::clamp(value, low, high));
}
int cellCount(int64_t value)
{
    return clampToInt(value, 0, maximumCells);
}
int offset(int64_t value)
{
    return clampToInt(value, -maximumCells, maximumCells);
}
int saturatingAdd(int64_t a, int64_t b)
{
    return clampToInt(a + b);
}

KittyPlacementImage* kittyImage(const std::shared_ptr<TerminalImage>& image)
{
    auto* kitty = dynamic_cast<KittyPlacementImage*>(image.get());
    return kitty && kitty->kittyIsKitty ? kitty : nullptr;
}

std::optional<KittyPlacementKey> keyOf(const KittyPlacementImage& image)
{
    if (!image.kittyImageId || !image.kittyPlacementId)
        return std::nullopt;
    return KittyPlacementKey { *image.kittyImageId, *image.kittyPlacementId };
}

// For each placement on the buffer's rows with both ids: the first row it is found on, its column.
KittyPositions collectKittyPlacementPositions(Buffer& buffer)
{
    KittyPositions positions;
    if (!buffer.hasAnyImages())
        return positions;
    for (int index = 0; index < buffer.lines().count(); index++) {
        const auto& images = buffer.line(index).images();
        if (!images)
            continue;
        for (const auto& image : *images) {
            const KittyPlacementImage* kitty = kittyImage(image);
            if (const auto key = kitty ? keyOf(*kitty) : std::nullopt)
                positions.try_emplace(*key, KittyPosition { index, kitty->kittyCol });
        }
    }
    return positions;
}

// Where a placement of the active screen stands: its own place, or its parent's moved by its
// offsets. Parent chains are followed without recursion, so a long chain cannot exhaust the stack;
// a loop, a missing record or one of the other screen gives no position.
std::optional<KittyPosition> resolveKittyPlacementPosition(const KittyGraphicsState& state, KittyPlacementKey key,
                                                           bool alternate, const KittyPositions& positions,
                                                           KittyPositionMemo& memo)
{
    std::vector<const KittyPlacementRecord*> chain;
    std::set<KittyPlacementKey> visiting;
    std::optional<KittyPosition> position;
    KittyPlacementKey current = key;
    for (;;) {
        if (const auto known = memo.find(current); known != memo.end()) {
            position = known->second;
            break;
        }
        const auto found = state.placementsByKey.find(current);
        if (found == state.placementsByKey.end() || found->second.isAlternateBuffer != alternate
            || !visiting.insert(current).second) {
            position = std::nullopt;
            break;
        }
        const KittyPlacementRecord& record = found->second;
        if (!record.hasParent()) {
            position = KittyPosition { record.row, record.col };
            if (const auto onLines = positions.find(current); !record.isVirtual && onLines != positions.end())
                position = onLines->second;
            memo[current] = position;
            break;
        }
        chain.push_back(&record);
        current = { *record.parentImageId, *record.parentPlacementId };
    }
    for (auto record = chain.rbegin(); record != chain.rend(); ++record) {
        if (position)
            position = KittyPosition { saturatingAdd(position->row, (*record)->parentOffsetV),
                                       saturatingAdd(position->col, (*record)->parentOffsetH) };
        memo[(*record)->key()] = position;
    }
    return position;
}

// The pixel offsets within the first cell: only when one is positive, and then never past the cell.
std::pair<int, int> kittyPixelOffsets(const KittyGraphicsControl& control, std::optional<std::pair<int, int>> cellSize)
{
    if (control.pixelOffsetX <= 0 && control.pixelOffsetY <= 0)
        return { 0, 0 };
    int x = clampToInt(control.pixelOffsetX, 0, kittyMaximumDimension);
    int y = clampToInt(control.pixelOffsetY, 0, kittyMaximumDimension);
    if (cellSize) {
        x = std::min(x, cellSize->first - 1);
        y = std::min(y, cellSize->second - 1);
    }
    return { x, y };
}

struct CropResult {
    std::optional<KittyGraphicsPayload> cropped; // none: draw the payload as it is
    std::optional<std::string_view> error;
};

CropResult cropKittyPayload(const KittyGraphicsPayload& payload, const KittyGraphicsControl& control)
{
    if (control.cropX == 0 && control.cropY == 0 && control.cropWidth == 0 && control.cropHeight == 0)
        return {};
    std::optional<KittyRgbaImage> decoded;
    if (payload.isPng()) {
        decoded = decodePngToRgba(payload.bytes);
        if (!decoded)
            return { std::nullopt, "ENOTSUP: cannot crop png" };
    }
    const std::vector<uint8_t>& pixels = decoded ? decoded->bytes : payload.bytes;
    const int64_t width = decoded ? decoded->width : payload.width;
    const int64_t height = decoded ? decoded->height : payload.height;
    const int64_t left = std::clamp<int64_t>(control.cropX, 0, width);
    const int64_t top = std::clamp<int64_t>(control.cropY, 0, height);
    const int64_t cropWidth = control.cropWidth >= 1 && control.cropWidth <= width - left ? control.cropWidth : width - left;
    const int64_t cropHeight = control.cropHeight >= 1 && control.cropHeight <= height - top ? control.cropHeight : height - top;
    if (left == 0 && top == 0 && cropWidth == width && cropHeight == height)
        return {};
    if (cropWidth < 1 || cropHeight < 1)
        return { std::nullopt, "EINVAL: bad crop" };
    std::vector<uint8_t> bytes(size_t(cropWidth * cropHeight * 4));
    for (int64_t row = 0; row < cropHeight; row++) {
        const auto from = pixels.begin() + ptrdiff_t(((top + row) * width + left) * 4);
        std::copy(from, from + ptrdiff_t(cropWidth * 4), bytes.begin() + ptrdiff_t(row * cropWidth * 4));
    }
    return { KittyGraphicsPayload::rgba(std::move(bytes), int(cropWidth), int(cropHeight)), std::nullopt };
}

// The image's size in pixels: the pixels of raw data, or the PNG's header.
std::optional<std::pair<int, int>> kittyImagePixelSize(const KittyGraphicsPayload& payload)
{
    if (payload.isPng())
        return kittyPngPixelSize(payload.bytes);
    return std::pair { payload.width, payload.height };
}

} // namespace

KittyGraphicsState& Terminal::kittyGraphicsState()
{
    if (!m_kittyGraphicsState)
        m_kittyGraphicsState = std::make_unique<KittyGraphicsState>();
    return *m_kittyGraphicsState;
}

void Terminal::storeKittyImage(KittyGraphicsPayload payload, uint32_t imageId, std::optional<uint32_t> imageNumber)
{
    kittyGraphicsState().store(std::move(payload), imageId, imageNumber);
    enforceKittyImageCacheLimit();
}

const KittyGraphicsImage* Terminal::updateKittyImageAccess(uint32_t imageId)
{
    return kittyGraphicsState().access(imageId);
}

void Terminal::enforceKittyImageCacheLimit()
{
    KittyGraphicsState& state = kittyGraphicsState();
    const int64_t limit = kittyImageCacheLimit();
    if (state.totalImageBytes > limit)
        state.evict(limit, collectUsedKittyImageIds());
}

std::set<uint32_t> Terminal::collectUsedKittyImageIds()
{
    std::set<uint32_t> used;
    for (const auto& [key, record] : kittyGraphicsState().placementsByKey)
        used.insert(key.imageId);
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        if (!each->hasAnyImages())
            continue;
        for (int index = 0; index < each->lines().count(); index++) {
            const auto& images = each->line(index).images();
            if (!images)
                continue;
            for (const auto& image : *images) {
                const KittyPlacementImage* kitty = kittyImage(image);
                if (kitty && kitty->kittyImageId)
                    used.insert(*kitty->kittyImageId);
            }
        }
    }
    return used;
}

void Terminal::cleanupUnusedKittyImages()
{
    KittyGraphicsState& state = kittyGraphicsState();
    const std::set<uint32_t> used = collectUsedKittyImageIds();
    std::vector<uint32_t> unused;
    for (const auto& [id, image] : state.imagesById) {
        if (!used.contains(id))
            unused.push_back(id);
    }
    for (const uint32_t id : unused)
        state.removeImage(id);
}

bool Terminal::displayKittyImage(const KittyGraphicsPayload& payload, const KittyGraphicsControl& control,
                                 std::optional<uint32_t> imageId, std::optional<uint32_t> imageNumber)
{
    KittyGraphicsState& state = kittyGraphicsState();
    Buffer& buffer = *m_buffer;
    std::optional<std::pair<int, int>> cellSize = m_delegate ? m_delegate->cellSizeInPixels(*this) : std::nullopt;
    // A cell with no width or height cannot size anything: as if the host knew no size.
    if (cellSize && (cellSize->first < 1 || cellSize->second < 1))
        cellSize.reset();
    const auto [pixelOffsetX, pixelOffsetY] = kittyPixelOffsets(control, cellSize);
    const int columns = cellCount(control.columns);
    const int rowCount = cellCount(control.rows);
    const std::optional<uint32_t> id = imageId ? imageId : control.imageId;

    if (control.unicodePlaceholder == 1) {
        if (control.parentImageId || control.parentPlacementId) {
            sendKittyError(control, "EINVAL: virtual placement cannot refer to parent");
            return false;
        }
        if (!id)
            return true;
        const uint32_t placementId = control.placementId ? *control.placementId : state.takePlacementId(*id);
        removeKittyPlacement(*id, placementId);
        KittyPlacementRecord record;
        record.imageId = *id;
        record.placementId = placementId;
        record.col = buffer.x();
        record.row = buffer.y() + buffer.yBase();
        record.cols = columns;
        record.rows = rowCount;
        record.zIndex = clampToInt(control.zIndex);
        record.isVirtual = true;
        record.isAlternateBuffer = isCurrentBufferAlternate();
        state.placementsByKey[record.key()] = record;
        return true;
    }

    // A relative placement starts at its parent's position moved by its offsets.
    std::optional<KittyPosition> origin;
    if (control.parentImageId && control.parentPlacementId) {
        const KittyPlacementKey parentKey { *control.parentImageId, *control.parentPlacementId };
        const auto parent = state.placementsByKey.find(parentKey);
        if (parent == state.placementsByKey.end()) {
            sendKittyError(control, "ENOPARENT: parent placement not found");
            return false;
        }
        if (parent->second.isAlternateBuffer != isCurrentBufferAlternate()) {
            sendKittyError(control, "ENOPARENT: parent placement not in current buffer");
            return false;
        }
        KittyPositionMemo memo;
        const auto position = resolveKittyPlacementPosition(state, parentKey, isCurrentBufferAlternate(),
                                                            collectKittyPlacementPositions(buffer), memo);
        if (!position) {
            sendKittyError(control, "ENOPARENT: parent placement not found");
            return false;
        }
        origin = KittyPosition { saturatingAdd(position->row, offset(control.offsetV)),
                                 saturatingAdd(position->col, offset(control.offsetH)) };
    }

    const CropResult crop = cropKittyPayload(payload, control);
    if (crop.error) {
        sendKittyError(control, *crop.error);
        return false;
    }
    const KittyGraphicsPayload& shown = crop.cropped ? *crop.cropped : payload;
    // The host draws the image at the size asked for; past the largest image side nothing is made.
    if (cellSize
        && ((columns >= 1 && int64_t(columns) * cellSize->first + pixelOffsetX > kittyMaximumDimension)
            || (rowCount >= 1 && int64_t(rowCount) * cellSize->second + pixelOffsetY > kittyMaximumDimension))) {
        sendKittyError(control, "EINVAL: placement out of range");
        return false;
    }

    const int savedX = buffer.x();
    const int savedY = buffer.y();
    if (id && control.placementId)
        removeKittyPlacement(*id, *control.placementId);
    if (origin) {
        // The relative placement must land on the screen.
        const int64_t screenRow = int64_t(origin->row) - buffer.yBase();
        if (screenRow < 0 || screenRow >= rows) {
            sendKittyError(control, "EINVAL: placement out of range");
            return false;
        }
        buffer.setY(int(screenRow));
        buffer.setX(std::clamp(origin->col, 0, cols - 1));
    }
    const int startX = buffer.x();
    const int startY = buffer.y();

    KittyPlacementContext context;
    context.imageId = id;
    context.imageNumber = imageNumber ? imageNumber : control.imageNumber;
    context.placementId = control.placementId;
    context.parentImageId = control.parentImageId;
    context.parentPlacementId = control.parentPlacementId;
    context.parentOffsetH = offset(control.offsetH);
    context.parentOffsetV = offset(control.offsetV);
    context.zIndex = clampToInt(control.zIndex);
    context.widthRequest = columns >= 1 ? ImageSizeRequest::cells(columns) : ImageSizeRequest();
    context.heightRequest = rowCount >= 1 ? ImageSizeRequest::cells(rowCount) : ImageSizeRequest();
    context.preserveAspectRatio = !(control.columns != 0 && control.rows != 0);
    context.cursorPolicy = clampToInt(control.cursorPolicy);
    context.isRelative = origin.has_value();
    context.pixelOffsetX = pixelOffsetX;
    context.pixelOffsetY = pixelOffsetY;
    kittyPlacementContext = context;
    if (m_delegate) {
        if (shown.isPng()) {
            m_delegate->createImage(*this, shown.bytes, context.widthRequest, context.heightRequest,
                                    context.preserveAspectRatio);
        } else {
            std::vector<uint8_t> pixels = shown.bytes;
            m_delegate->createImageFromBitmap(*this, pixels, shown.width, shown.height);
        }
    }

    if (origin || control.cursorPolicy == 1) {
        buffer.setX(savedX);
        buffer.setY(savedY);
    } else {
        // The image's size in cells decides where the cursor goes next.
        std::optional<std::pair<int64_t, int64_t>> cells;
        if (columns > 0 && rowCount > 0) {
            cells = { columns, rowCount };
        } else if (const auto size = kittyImagePixelSize(shown); cellSize && size && size->first > 0 && size->second > 0) {
            const double aspect = double(size->first) / double(size->second);
            double width = columns < 1 ? size->first : double(columns) * cellSize->first;
            double height = rowCount < 1 ? size->second : double(rowCount) * cellSize->second;
            if (context.preserveAspectRatio && rowCount < 1 && columns >= 1)
                height = width / aspect;
            if (context.preserveAspectRatio && columns < 1 && rowCount >= 1)
                width = aspect * height;
            cells = { std::max<int64_t>(1, int64_t(std::ceil((width + pixelOffsetX) / cellSize->first))),
                      std::max<int64_t>(1, int64_t(std::ceil((height + pixelOffsetY) / cellSize->second))) };
        }
        if (cells && cellSize) {
            buffer.setX(clampToInt(startX + cells->first));
            buffer.setY(clampToInt(startY + cells->second));
        } else if (cells) {
            buffer.setY(startY);
            for (int64_t row = 0; row < cells->second; row++)
                cmdIndex();
            buffer.setX(clampToInt(startX + cells->first));
        }
        restrictCursor(false);
    }
    kittyPlacementContext.reset();
    return true;
}

void Terminal::removeKittyPlacement(uint32_t imageId, uint32_t placementId)
{
    const KittyPlacementKey key { imageId, placementId };
    std::set<KittyPlacementKey> keys;
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() })
        keys.merge(removeKittyPlacements(*each, 0, each->lines().count() - 1,
                                         [&](const KittyPlacementImage& image) { return keyOf(image) == key; }));
    keys.insert(key);
    for (const auto& each : keys)
        kittyGraphicsState().placementsByKey.erase(each);
}

std::set<KittyPlacementKey> Terminal::removeKittyPlacements(Buffer& buffer, int first, int last,
                                                            const KittyImagePredicate& predicate)
{
    std::set<KittyPlacementKey> keys;
    if (!buffer.hasAnyImages())
        return keys;
    first = std::max(first, 0);
    last = std::min(last, buffer.lines().count() - 1);
    int firstChanged = INT_MAX;
    int lastChanged = -1;
    for (int index = first; index <= last; index++) {
        const auto& images = buffer.line(index).images();
        if (!images)
            continue;
        BufferLine::Images kept;
        for (const auto& image : *images) {
            const KittyPlacementImage* kitty = kittyImage(image);
            if (!kitty || !predicate(*kitty)) {
                kept.push_back(image);
                continue;
            }
            if (const auto key = keyOf(*kitty))
                keys.insert(*key);
        }
        if (kept.size() == images->size())
            continue;
        buffer.replaceImagesOnLine(index, std::move(kept));
        firstChanged = std::min(firstChanged, index);
        lastChanged = index;
    }
    if (&buffer == m_buffer && lastChanged >= 0) {
        const int top = std::max(firstChanged - buffer.yBase(), 0);
        const int bottom = std::min(lastChanged - buffer.yBase(), rows - 1);
        if (top <= bottom) {
            updateRange(top);
            updateRange(bottom);
        }
    }
    return keys;
}

std::set<KittyPlacementKey> Terminal::removePlacementRecords(const KittyRecordPredicate& predicate)
{
    std::set<KittyPlacementKey> keys;
    std::erase_if(kittyGraphicsState().placementsByKey, [&](const auto& entry) {
        if (!predicate(entry.second))
            return false;
        keys.insert(entry.first);
        return true;
    });
    return keys;
}

void Terminal::removeKittyPlacementsByKey(const std::set<KittyPlacementKey>& keys)
{
    if (keys.empty())
        return;
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() })
        removeKittyPlacements(*each, 0, each->lines().count() - 1, [&](const KittyPlacementImage& image) {
            const auto key = keyOf(image);
            return key && keys.contains(*key);
        });
    for (const auto& key : keys)
        kittyGraphicsState().placementsByKey.erase(key);
}

void Terminal::clearKittyImages(Buffer& buffer, bool isAlternateBuffer)
{
    if (!m_kittyGraphicsState)
        return;
    std::set<KittyPlacementKey> keys
        = removeKittyPlacements(buffer, 0, buffer.lines().count() - 1, [](const KittyPlacementImage&) { return true; });
    for (const auto& key : removePlacementRecords(
             [&](const KittyPlacementRecord& record) { return record.isAlternateBuffer == isAlternateBuffer; }))
        keys.erase(key);
    removeKittyPlacementsByKey(keys);
    cleanupUnusedKittyImages();
}

void Terminal::clearAllKittyImages()
{
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        for (int index = 0; each->hasAnyImages() && index < each->lines().count(); index++)
            each->clearImagesFromLine(index);
    }
    if (m_kittyGraphicsState)
        m_kittyGraphicsState->clear();
    updateRange(m_buffer->scrollTop());
    updateRange(m_buffer->scrollBottom());
}

void Terminal::updateKittyRelativePlacementsForCurrentBuffer()
{
    if (!m_kittyGraphicsState)
        return;
    KittyGraphicsState& state = *m_kittyGraphicsState;
    Buffer& buffer = *m_buffer;
    const bool alternate = isCurrentBufferAlternate();
    const KittyPositions positions = collectKittyPlacementPositions(buffer);
    // Placements follow their images when rows scroll.
    for (auto& [key, record] : state.placementsByKey) {
        const auto onLines = positions.find(key);
        if (record.isAlternateBuffer == alternate && !record.isVirtual && onLines != positions.end()) {
            record.row = onLines->second.row;
            record.col = onLines->second.col;
        }
    }
    // Relative ones follow their parents.
    KittyPositionMemo memo;
    for (auto& [key, record] : state.placementsByKey) {
        if (record.isAlternateBuffer != alternate || !record.hasParent())
            continue;
        const auto position = resolveKittyPlacementPosition(state, key, alternate, positions, memo);
        if (!position)
            continue;
        if (!record.isVirtual) {
            const auto onLines = positions.find(key);
            const KittyPosition current = onLines != positions.end() ? onLines->second : KittyPosition { record.row, record.col };
            if (current != *position)
                moveKittyPlacementImages(buffer, key, position->row - current.row, position->row, position->col);
        }
        record.row = position->row;
        record.col = position->col;
    }
}

void Terminal::moveKittyPlacementImages(Buffer& buffer, KittyPlacementKey key, int deltaRow, int newTopRow, int newLeftCol)
{
    std::vector<std::pair<int, std::shared_ptr<TerminalImage>>> moved;
    for (int index = 0; index < buffer.lines().count(); index++) {
        const auto& images = buffer.line(index).images();
        if (!images)
            continue;
        for (const auto& image : *images) {
            if (const KittyPlacementImage* kitty = kittyImage(image); kitty && keyOf(*kitty) == key)
                moved.emplace_back(index, image);
        }
    }
    removeKittyPlacements(buffer, 0, buffer.lines().count() - 1,
                          [&](const KittyPlacementImage& image) { return keyOf(image) == key; });
    for (auto& [index, image] : moved) {
        auto* kitty = static_cast<KittyPlacementImage*>(image.get());
        kitty->setCol(newLeftCol);
        kitty->kittyCol = newLeftCol;
        kitty->kittyRow = newTopRow;
        const int64_t target = int64_t(index) + deltaRow;
        if (target >= 0 && target < buffer.lines().count()) {
            buffer.attachImage(std::move(image), int(target));
            if (&buffer == m_buffer && target - buffer.yBase() >= 0 && target - buffer.yBase() < rows)
                updateRange(int(target - buffer.yBase()));
        }
    }
}

} // namespace zentrova
