#pragma once

#include "ZentrovaView/Gpu/GlyphAtlasTexture.h"
#include "ZentrovaView/Gpu/GpuBuffer.h"
#include "ZentrovaView/Gpu/GpuFence.h"

#include <cstring>
#include <span>
#include <vector>

namespace zentrova {

// A texture in main memory that applies uploads the way GL does, so a test can compare it with the
// atlas's own copy. Bytes no upload reached read 0xEE.
class FakeAtlasTexture final : public GlyphAtlasTexture {
public:
    FakeAtlasTexture(int side, int bytesPerPixel)
        : side(side)
        , bpp(bytesPerPixel)
        , pixels(size_t(side) * size_t(side) * size_t(bytesPerPixel), 0xEE)
    {
    }

    void upload(int x, int y, int width, int height, const uint8_t* source, int rowLength) override
    {
        uploads.push_back({ x, y, width, height });
        for (int row = 0; row < height; ++row)
            std::memcpy(&pixels[(size_t(y + row) * size_t(side) + size_t(x)) * size_t(bpp)],
                        source + size_t(row) * size_t(rowLength) * size_t(bpp), size_t(width) * size_t(bpp));
    }

    struct Rect {
        int x, y, width, height;
        bool operator==(const Rect&) const = default;
    };
    int side;
    int bpp;
    std::vector<uint8_t> pixels;
    std::vector<Rect> uploads;
};

// The bytes of an atlas's copy, for comparing with a texture's.
inline std::vector<uint8_t> bytes(std::span<const uint8_t> data)
{
    return { data.begin(), data.end() };
}

class FakeAtlasDevice final : public GlyphAtlasDevice {
public:
    std::unique_ptr<GlyphAtlasTexture> makeTexture(int side, GlyphAtlasFormat format, const uint8_t* pixels) override
    {
        sidesMade.push_back(side);
        if (failAbove && side > failAbove)
            return nullptr;
        auto texture = std::make_unique<FakeAtlasTexture>(side, bytesPerPixel(format));
        texture->pixels.assign(pixels, pixels + texture->pixels.size());
        last = texture.get();
        return texture;
    }
    int maxTextureSize() const override { return maxTexture; }

    int maxTexture = 16384;
    int failAbove = 0; // textures larger than this fail; 0: none fail
    std::vector<int> sidesMade;
    FakeAtlasTexture* last = nullptr; // the atlas's current texture
};

class FakeBuffer final : public GpuBuffer {
public:
    explicit FakeBuffer(size_t length) : bytes(length) { }
    size_t length() const override { return bytes.size(); }
    void write(std::span<const std::byte> data) override { std::memcpy(bytes.data(), data.data(), data.size()); }
    std::vector<std::byte> bytes;
};

class FakeBufferDevice final : public GpuBufferDevice {
public:
    std::shared_ptr<GpuBuffer> makeBuffer(size_t length) override
    {
        if (failing)
            return nullptr;
        ++made;
        return std::make_shared<FakeBuffer>(length);
    }
    int made = 0;
    bool failing = false;
};

class FakeFence final : public GpuFence {
public:
    bool isSignaled() override { return signaled; }
    bool signaled = false;
};

} // namespace zentrova
