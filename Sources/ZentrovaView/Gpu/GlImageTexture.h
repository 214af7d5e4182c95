#pragma once

#include "ZentrovaView/Gpu/GpuImageTexture.h"

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

// An image's GL texture (GL_RGBA8, premultiplied). Made, used and destroyed with its context current.
class GlImageTexture final : public GpuImageTexture {
public:
    GlImageTexture(QOpenGLFunctions_3_3_Core& gl, unsigned id, int width, int height);
    ~GlImageTexture() override;
    GlImageTexture(const GlImageTexture&) = delete;
    GlImageTexture& operator=(const GlImageTexture&) = delete;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    unsigned id() const { return m_id; }

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    unsigned m_id;
    int m_width;
    int m_height;
};

// Makes image textures in the current GL context.
class GlImageTextureFactory final : public ImageTextureFactory {
public:
    explicit GlImageTextureFactory(QOpenGLFunctions_3_3_Core& gl) : m_gl(gl) { }
    std::shared_ptr<GpuImageTexture> makeTexture(const QImage& image) override;

private:
    QOpenGLFunctions_3_3_Core& m_gl;
};

} // namespace zentrova
