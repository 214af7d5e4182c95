// What a child program can send as a sixel string: the payload goes to the decoder as it stands.
// Whatever it holds, the decoder either refuses the image or returns a bitmap of the size it says,
// no side over the limit, without reading or writing outside it (the sanitizers watch that).

#include "Zentrova/Graphics/SixelDecoder.h"
#include "Zentrova/Screen/Color.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<zentrova::Color> palette(16, zentrova::Color::rgb8(0x12, 0x34, 0x56));
    const auto image = zentrova::decodeSixel(std::span(data, size), palette);
    if (image) {
        const bool sizeHolds = image->width >= 0 && image->height >= 0 && image->width <= zentrova::maxSixelImageSide
            && image->height <= zentrova::maxSixelImageSide
            && image->pixels.size() == size_t(image->width) * size_t(image->height) * 4;
        if (!sizeHolds)
            std::abort();
    }
    return 0;
}
