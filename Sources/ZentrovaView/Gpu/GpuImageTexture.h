#pragma once

#include <QImage>

#include <memory>

namespace zentrova {

// An image on the GPU, drawn by the image quads of a row.
class GpuImageTexture {
public:
    virtual ~GpuImageTexture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

// Makes image textures: the GL context in the program, a recording fake in tests.
class ImageTextureFactory {
public:
    virtual ~ImageTextureFactory() = default;
    // A texture of `image` (premultiplied RGBA8888, rows top to bottom as QImage holds them). Texture
    // row 0 is the image's bottom row, so the quads' v grows upwards with the framebuffer's y. Nothing
    // when the texture cannot be made.
    virtual std::shared_ptr<GpuImageTexture> makeTexture(const QImage& image) = 0;
};

} // namespace zentrova
