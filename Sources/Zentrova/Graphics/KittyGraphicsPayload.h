#pragma once

#include <cstdint>
#include <vector>

namespace zentrova {

// A transmitted kitty image: encoded PNG data as it came, or straight (not premultiplied) RGBA
// pixels, 4 bytes each, rows top to bottom without gaps.
struct KittyGraphicsPayload {
    enum class Kind { png, rgba };

    Kind kind = Kind::rgba;
    std::vector<uint8_t> bytes;
    int width = 0;  // rgba only
    int height = 0; // rgba only

    static KittyGraphicsPayload png(std::vector<uint8_t> data) { return { Kind::png, std::move(data), 0, 0 }; }
    static KittyGraphicsPayload rgba(std::vector<uint8_t> pixels, int width, int height)
    {
        return { Kind::rgba, std::move(pixels), width, height };
    }
    bool isPng() const { return kind == Kind::png; }

    bool operator==(const KittyGraphicsPayload&) const = default;
};

} // namespace zentrova
