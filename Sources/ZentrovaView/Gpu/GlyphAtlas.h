#pragma once

#include "ZentrovaView/Gpu/AtlasRegion.h"
#include "ZentrovaView/Gpu/GlyphAtlasFormat.h"
#include "ZentrovaView/Gpu/GlyphAtlasTexture.h"
#include "ZentrovaView/Gpu/ZeroedAllocator.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace zentrova {

// Glyph bitmaps packed on shelves into one square texture, with the texture's copy in main memory so
// that growing needs no read-back. The atlas grows by doubling up to `maxSize` and starts over empty
// when the working set does not fit; every region handed out before a reset is then invalid.
class GlyphAtlas {
public:
    // Nothing when the texture cannot be made.
    static std::unique_ptr<GlyphAtlas> make(GlyphAtlasDevice& device, int size, int maxSize, GlyphAtlasFormat format);

    // The side the atlas may grow to: ZENTROVA_ATLAS_MAX when it reads as a decimal integer (at least
    // 256, at most 16384 on devices that take 16384-pixel textures and 8192 elsewhere), else 8192 for
    // grayscale and 4096 for colour.
    static int recommendedMaxSize(const GlyphAtlasDevice& device, GlyphAtlasFormat format);

    // Room for a glyph of `width` x `height` pixels inside a one-pixel border, growing or resetting
    // the atlas as needed; nothing when it cannot be had (too large, or frozen and full).
    std::optional<AtlasRegion> ensureRegion(int width, int height);

    // Copies a bitmap (4 bytes per pixel, rows top-down) into `region`, bottom row first, repeats its
    // edges into the border and uploads the padded rectangle. A size mismatch changes nothing.
    void write(const AtlasRegion& region, std::span<const uint8_t> pixels, int width, int height);

    GlyphAtlasFormat format() const { return m_format; }
    int bytesPerPixel() const { return m_bytesPerPixel; }
    int maxSize() const { return m_maxSize; }
    int size() const { return m_size; }
    GlyphAtlasTexture& texture() const { return *m_texture; }
    // The copy in main memory, row by row in texture row order.
    std::span<const uint8_t> data() const { return m_data; }
    bool didReset() const { return m_didReset; }
    bool frozen() const { return m_frozen; }
    // Set while the renderer builds a frame's last pass: a frozen atlas neither grows nor resets.
    void setFrozen(bool frozen) { m_frozen = frozen; }

private:
    using Bytes = std::vector<uint8_t, ZeroedAllocator<uint8_t>>;

    GlyphAtlas(GlyphAtlasDevice& device, GlyphAtlasFormat format, int side, int maxSize, Bytes data,
               std::unique_ptr<GlyphAtlasTexture> texture);

    std::optional<AtlasRegion> reserve(int width, int height);
    void grow(int side);
    void reset();
    void uploadRect(int x0, int y0, int x1, int y1);
    void copyPixel(int fromX, int fromY, int toX, int toY);

    GlyphAtlasDevice& m_device;
    GlyphAtlasFormat m_format;
    int m_bytesPerPixel;
    int m_maxSize;
    int m_size;
    std::unique_ptr<GlyphAtlasTexture> m_texture;
    Bytes m_data;
    int m_nextX = 0;
    int m_nextY = 0;
    int m_rowHeight = 0;
    bool m_didReset = false;
    bool m_frozen = false;
    bool m_loggedFrozenMiss = false;
    bool m_loggedResetOverflow = false;
};

} // namespace zentrova
