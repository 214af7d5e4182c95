// Kitty graphics commands: the control keys, chunked transfers, the five actions and the replies.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Graphics/KittyPayloadLoading.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace zentrova {
namespace {

// The reply texts of deletes that lack a key.
constexpr std::string_view missingCellPosition = "EINVAL: missing cell position";

// A delete-by-range bound: ids are 32-bit, so larger values stand for the largest id.
uint32_t idBound(int64_t value)
{
    return uint32_t(std::clamp<int64_t>(value, 0, UINT32_MAX));
}

} // namespace

int64_t Terminal::kittyImageCacheLimit() const
{
    return std::clamp<int64_t>(options.kittyImageCacheLimitBytes, 0, int64_t(1) << 32);
}

size_t Terminal::kittyPayloadCap() const
{
    // A payload larger than the budget would be evicted as soon as it was stored; a small floor
    // keeps probes and tiny images working under a budget of 0.
    return std::clamp<size_t>(size_t(kittyImageCacheLimit()), 3072, kittyPayloadSizeCap);
}

size_t Terminal::kittyBase64Cap() const
{
    return (kittyPayloadCap() + 2) / 3 * 4;
}

void Terminal::handleKittyGraphics(std::span<const uint8_t> content)
{
    const auto [control, payload] = KittyGraphicsControl::parse(content);
    KittyGraphicsState& state = kittyGraphicsState();
    if (control.action == 'd' || control.action == 'D')
        state.pending.reset();

    if (control.more == 1) {
        if (!state.pending)
            state.pending.emplace(control, kittyBase64Cap());
        state.pending->append(payload);
        return;
    }
    if (!state.pending) {
        const std::span<const uint8_t> pieces[] = { payload };
        processKittyGraphics(control, decodeKittyBase64(pieces));
        return;
    }
    KittyGraphicsPending pending = std::move(*state.pending);
    state.pending.reset();
    pending.append(payload);
    if (pending.dropped()) {
        sendKittyError(pending.control(), "EINVAL: bad payload");
        return;
    }
    processKittyGraphics(pending.control(), pending.takeDecoded());
}

void Terminal::processKittyGraphics(const KittyGraphicsControl& control, KittyDecodedPayload payload)
{
    switch (control.action) {
    case 'q': {
        // Loaded through its medium and dropped, so a probe learns what a transmit would do.
        const KittyPayloadLoad load = loadKittyPayload(control, std::move(payload));
        if (load.payload)
            sendKittyOk(control, control.imageId, control.imageNumber, control.placementId);
        else
            sendKittyError(control, *load.errorMessage);
        break;
    }
    case 't': handleKittyTransmit(control, std::move(payload), false); break;
    case 'T': handleKittyTransmit(control, std::move(payload), true); break;
    case 'p': handleKittyPut(control); break;
    case 'd':
    case 'D': handleKittyDelete(control); break;
    default: sendKittyError(control, "EINVAL: unsupported action"); break;
    }
}

void Terminal::handleKittyTransmit(const KittyGraphicsControl& control, KittyDecodedPayload payload, bool display)
{
    if (control.imageId && control.imageNumber) {
        sendKittyError(control, "EINVAL: i and I are mutually exclusive");
        return;
    }
    KittyPayloadLoad load = loadKittyPayload(control, std::move(payload));
    if (!load.payload) {
        sendKittyError(control, *load.errorMessage);
        return;
    }
    handleKittyTransmitPayload(control, std::move(*load.payload), display);
}

void Terminal::handleKittyTransmitPayload(const KittyGraphicsControl& control, KittyGraphicsPayload payload, bool display)
{
    std::optional<uint32_t> imageId = control.imageId;
    if (control.imageNumber)
        imageId = kittyGraphicsState().takeImageId();
    if (!imageId) {
        // Without an id nothing is kept: a plain transmit is dropped, a display shows it once.
        if (display)
            displayKittyImage(payload, control, std::nullopt, std::nullopt);
        return;
    }
    // Shown before it is stored, so its placement already protects it when the store makes room.
    const bool shown = !display || displayKittyImage(payload, control, imageId, control.imageNumber);
    storeKittyImage(std::move(payload), *imageId, control.imageNumber);
    if (shown)
        sendKittyOk(control, imageId, control.imageNumber, control.placementId);
}

void Terminal::handleKittyPut(const KittyGraphicsControl& control)
{
    KittyGraphicsState& state = kittyGraphicsState();
    std::optional<uint32_t> imageId;
    std::optional<uint32_t> imageNumber;
    if (control.imageNumber) {
        if (const auto found = state.imageNumbers.find(*control.imageNumber); found != state.imageNumbers.end()) {
            imageId = found->second;
            imageNumber = control.imageNumber;
        }
    }
    if (!imageId)
        imageId = control.imageId;
    const KittyGraphicsImage* image = imageId ? updateKittyImageAccess(*imageId) : nullptr;
    if (!image) {
        sendKittyError(control, "ENOENT: image not found");
        return;
    }
    if (displayKittyImage(image->payload, control, imageId, imageNumber))
        sendKittyOk(control, imageId, imageNumber, control.placementId);
}

void Terminal::handleKittyDelete(const KittyGraphicsControl& control)
{
    const char mode = control.deleteMode.value_or('a');
    const char lower = char(std::tolower(uint8_t(mode)));
    const bool freesData = mode == char(std::toupper(uint8_t(mode)));
    const int64_t x = control.cropX;
    const int64_t y = control.cropY;
    const auto fail = [&](std::string_view message) { sendKittyError(control, message); };
    switch (lower) {
    case 'a': deletePlacementsVisibleOnScreen(); break;
    case 'i':
        if (!control.imageId)
            return fail("EINVAL: missing image id");
        deletePlacementsByImageId(*control.imageId, control.placementId);
        break;
    case 'n': {
        if (!control.imageNumber)
            return fail("EINVAL: missing image number");
        const auto& numbers = kittyGraphicsState().imageNumbers;
        if (const auto found = numbers.find(*control.imageNumber); found != numbers.end())
            deletePlacementsByImageId(found->second, control.placementId);
        break;
    }
    case 'c': deletePlacementsAtCell(m_buffer->x() + 1, m_buffer->y() + 1, std::nullopt); break;
    case 'p':
    case 'q':
        if (x < 1 || y < 1)
            return fail(missingCellPosition);
        deletePlacementsAtCell(x, y, lower == 'q' ? std::optional(control.zIndex) : std::nullopt);
        break;
    case 'x':
        if (x < 1)
            return fail("EINVAL: missing column");
        deletePlacementsInColumn(x);
        break;
    case 'y':
        if (y < 1)
            return fail("EINVAL: missing row");
        deletePlacementsInRow(y);
        break;
    case 'z': deletePlacementsWithZIndex(control.zIndex); break;
    case 'r':
        if (x < 1 || y < 1)
            return fail("EINVAL: missing id range");
        deletePlacementsByImageIdRange(idBound(std::min(x, y)), idBound(std::max(x, y)));
        break;
    default: fail("EINVAL: unsupported delete"); break;
    }
    if (freesData)
        cleanupUnusedKittyImages();
}

void Terminal::sendKittyOk(const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                           std::optional<uint32_t> imageNumber, std::optional<uint32_t> placementId)
{
    if (control.suppressResponses != 0)
        return;
    std::string fields;
    const auto add = [&](const char* key, std::optional<uint32_t> value) {
        if (!value)
            return;
        if (!fields.empty())
            fields += ',';
        fields += key;
        fields += std::to_string(*value);
    };
    add("i=", imageId);
    add("I=", imageNumber);
    add("p=", placementId);
    sendResponse(apcIntroducer(), "G", std::string_view(fields), ";OK", stringTerminator());
}

void Terminal::sendKittyError(const KittyGraphicsControl& control, std::string_view message)
{
    if (control.suppressResponses != 0 && control.suppressResponses != 1)
        return;
    std::string id;
    if (control.imageId)
        id = "i=" + std::to_string(*control.imageId);
    else if (control.imageNumber)
        id = "I=" + std::to_string(*control.imageNumber);
    sendResponse(apcIntroducer(), "G", std::string_view(id), ";", message, stringTerminator());
}

} // namespace zentrova
