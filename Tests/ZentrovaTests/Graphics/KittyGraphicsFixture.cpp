#include "KittyGraphicsFixture.h"

#include "Zentrova/Engine/Base64.h"
#include "Zentrova/Graphics/KittyPlacementImage.h"
#include "Zentrova/Graphics/KittyPng.h"

#include <cmath>

namespace zentrova {

std::optional<std::pair<int, int>> PlacingTerminalDelegate::cellSizeInPixels(Terminal&)
{
    return cellSize;
}

void PlacingTerminalDelegate::createImageFromBitmap(Terminal& source, std::vector<uint8_t>& bytes, int width, int height)
{
    lastBitmap = bytes;
    lastBitmapSize = { width, height };
    place(source, width, height);
}

void PlacingTerminalDelegate::createImage(Terminal& source, std::span<const uint8_t> data, const ImageSizeRequest&,
                                          const ImageSizeRequest&, bool)
{
    const auto size = kittyPngPixelSize(data);
    place(source, size ? size->first : 1, size ? size->second : 1);
}

void PlacingTerminalDelegate::place(Terminal& terminal, int pixelWidth, int pixelHeight)
{
    imagesCreated++;
    lastContext = terminal.kittyPlacementContext;
    if (!lastContext)
        return;
    const KittyPlacementContext& context = *lastContext;
    const auto [cellWidth, cellHeight] = cellSize.value_or(std::pair { 10, 20 });
    const auto cells = [](const ImageSizeRequest& request, int pixels, int cell) {
        if (request.kind == ImageSizeRequest::Kind::cells)
            return request.value;
        return std::max(1, int(std::ceil(double(pixels) / cell)));
    };
    const int cols = cells(context.widthRequest, pixelWidth, cellWidth);
    const int rows = cells(context.heightRequest, pixelHeight, cellHeight);
    Buffer& buffer = terminal.buffer();
    const int top = buffer.y() + buffer.yBase();
    for (int row = 0; row < rows; row++) {
        auto strip = std::make_shared<KittyPlacementImage>();
        strip->kittyImageId = context.imageId;
        strip->kittyImageNumber = context.imageNumber;
        strip->kittyPlacementId = context.placementId;
        strip->kittyZIndex = context.zIndex;
        strip->kittyCol = buffer.x();
        strip->kittyRow = top;
        strip->kittyCols = cols;
        strip->kittyRows = rows;
        strip->setCol(buffer.x());
        buffer.attachImage(strip, top + row);
    }
    if (context.imageId && context.placementId) {
        KittyPlacementRecord record;
        record.imageId = *context.imageId;
        record.placementId = *context.placementId;
        record.parentImageId = context.parentImageId;
        record.parentPlacementId = context.parentPlacementId;
        record.parentOffsetH = context.parentOffsetH;
        record.parentOffsetV = context.parentOffsetV;
        record.col = buffer.x();
        record.row = top;
        record.cols = cols;
        record.rows = rows;
        record.zIndex = context.zIndex;
        record.isAlternateBuffer = terminal.isCurrentBufferAlternate();
        terminal.kittyGraphicsState().placementsByKey[record.key()] = record;
    }
}

std::string KittyGraphicsFixture::reply(std::string_view bytes)
{
    delegate.sent.clear();
    terminal.feed(bytes);
    return delegate.sent;
}

std::string KittyGraphicsFixture::apc(std::string_view keys, std::string_view payload)
{
    std::string text = "\x1B_G" + std::string(keys);
    if (!payload.empty())
        text += ";" + std::string(payload);
    return text + "\x1B\\";
}

std::string KittyGraphicsFixture::apcWithData(std::string_view keys, std::span<const uint8_t> data)
{
    return apc(keys, Base64::encode(data));
}

std::string KittyGraphicsFixture::apcWithData(std::string_view keys, std::string_view data)
{
    return apcWithData(keys, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
}

std::vector<uint8_t> KittyGraphicsFixture::pixels(int width, int height, int bytesPerPixel)
{
    std::vector<uint8_t> bytes(size_t(width * height * bytesPerPixel));
    for (size_t index = 0; index < bytes.size(); index++)
        bytes[index] = uint8_t(index % 251);
    if (bytesPerPixel == 4) {
        for (size_t alpha = 3; alpha < bytes.size(); alpha += 4)
            bytes[alpha] = 255;
    }
    return bytes;
}

void KittyGraphicsFixture::transmit(uint32_t id, int width, int height)
{
    const std::string keys = "a=t,q=2,f=32,i=" + std::to_string(id) + ",s=" + std::to_string(width) + ",v="
        + std::to_string(height);
    terminal.feed(apcWithData(keys, pixels(width, height)));
}

std::set<KittyPlacementKey> KittyGraphicsFixture::recordKeys()
{
    std::set<KittyPlacementKey> keys;
    for (const auto& [key, record] : state().placementsByKey)
        keys.insert(key);
    return keys;
}

std::set<std::pair<KittyPlacementKey, int>> KittyGraphicsFixture::stripsOnLines()
{
    std::set<std::pair<KittyPlacementKey, int>> strips;
    Buffer& buffer = terminal.buffer();
    for (int index = 0; index < buffer.lines().count(); index++) {
        const auto& images = buffer.line(index).images();
        for (const auto& image : images.value_or(BufferLine::Images())) {
            const auto* kitty = dynamic_cast<const KittyPlacementImage*>(image.get());
            if (kitty && kitty->kittyImageId)
                strips.insert({ { *kitty->kittyImageId, kitty->kittyPlacementId.value_or(0) }, index });
        }
    }
    return strips;
}

} // namespace zentrova
