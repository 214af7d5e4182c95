#include "Zentrova/Graphics/KittyPng.h"

#include "Zentrova/Graphics/KittyPayloadLoading.h"

#include <png.h>

namespace zentrova {
namespace {

// Reads the header into `image`; the caller frees it with png_image_free.
bool beginRead(png_image& image, std::span<const uint8_t> data)
{
    image = {};
    image.version = PNG_IMAGE_VERSION;
    return !data.empty() && png_image_begin_read_from_memory(&image, data.data(), data.size()) != 0;
}

bool inRange(png_uint_32 side)
{
    return side >= 1 && side <= png_uint_32(kittyMaximumDimension);
}

} // namespace

std::optional<std::pair<int, int>> kittyPngPixelSize(std::span<const uint8_t> data)
{
    png_image image;
    if (!beginRead(image, data))
        return std::nullopt;
    const png_uint_32 width = image.width;
    const png_uint_32 height = image.height;
    png_image_free(&image);
    if (width > png_uint_32(INT32_MAX) || height > png_uint_32(INT32_MAX))
        return std::nullopt;
    return std::pair { int(width), int(height) };
}

bool validateKittyPngDimensions(std::span<const uint8_t> data)
{
    const auto size = kittyPngPixelSize(data);
    return size && inRange(png_uint_32(size->first)) && inRange(png_uint_32(size->second));
}

std::optional<KittyRgbaImage> decodePngToRgba(std::span<const uint8_t> data)
{
    png_image image;
    if (!beginRead(image, data))
        return std::nullopt;
    if (!inRange(image.width) || !inRange(image.height)) {
        png_image_free(&image);
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    KittyRgbaImage decoded;
    decoded.width = int(image.width);
    decoded.height = int(image.height);
    decoded.bytes.resize(PNG_IMAGE_SIZE(image));
    // The 8-bit formats of this reader come out with straight alpha, as raw payloads do.
    if (png_image_finish_read(&image, nullptr, decoded.bytes.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    return decoded;
}

} // namespace zentrova
