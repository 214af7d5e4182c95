#pragma once

#include "ZentrovaView/Gpu/GlyphAtlasFormat.h"

#include <cstdint>
#include <memory>

namespace zentrova {

// The GPU side of a glyph atlas: a square texture that takes rectangles from the atlas's copy in
// main memory. Row r of the copy is texture row r.
class GlyphAtlasTexture {
public:
    virtual ~GlyphAtlasTexture() = default;

    // Copies the rectangle at (x, y) of `width` x `height` pixels, whose first pixel is at `pixels`
    // and whose rows are `rowLength` pixels apart, into the same rectangle of the texture.
    virtual void upload(int x, int y, int width, int height, const uint8_t* pixels, int rowLength) = 0;
};

// Makes atlas textures: the GL context in the program, a recording fake in tests.
class GlyphAtlasDevice {
public:
    virtual ~GlyphAtlasDevice() = default;

    // A `side` x `side` texture of `format` holding `pixels` (rows `side` pixels apart), or nothing
    // when it cannot be made.
    virtual std::unique_ptr<GlyphAtlasTexture> makeTexture(int side, GlyphAtlasFormat format, const uint8_t* pixels) = 0;
    // The largest texture side the device supports.
    virtual int maxTextureSize() const = 0;
};

} // namespace zentrova
