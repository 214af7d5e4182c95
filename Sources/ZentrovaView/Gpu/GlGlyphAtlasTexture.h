#pragma once

#include "ZentrovaView/Gpu/GlyphAtlasTexture.h"

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

// An atlas texture in GL: GL_R8 for grayscale coverage, GL_RGBA8 filled from blue-green-red-alpha
// bytes for colour. Texture row r is the atlas copy's row r, so texture coordinate t grows with the
// atlas's y. Made, used and destroyed with its context current.
class GlGlyphAtlasTexture final : public GlyphAtlasTexture {
public:
    GlGlyphAtlasTexture(QOpenGLFunctions_3_3_Core& gl, unsigned id, GlyphAtlasFormat format);
    ~GlGlyphAtlasTexture() override;
    GlGlyphAtlasTexture(const GlGlyphAtlasTexture&) = delete;
    GlGlyphAtlasTexture& operator=(const GlGlyphAtlasTexture&) = delete;

    void upload(int x, int y, int width, int height, const uint8_t* pixels, int rowLength) override;
    unsigned id() const { return m_id; }

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    unsigned m_id;
    GlyphAtlasFormat m_format;
};

// Makes atlas textures in the current GL context.
class GlGlyphAtlasDevice final : public GlyphAtlasDevice {
public:
    explicit GlGlyphAtlasDevice(QOpenGLFunctions_3_3_Core& gl) : m_gl(gl) { }

    std::unique_ptr<GlyphAtlasTexture> makeTexture(int side, GlyphAtlasFormat format, const uint8_t* pixels) override;
    int maxTextureSize() const override;

private:
    QOpenGLFunctions_3_3_Core& m_gl;
};

} // namespace zentrova
