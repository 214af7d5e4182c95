#include "ZentrovaView/Gpu/GlGlyphAtlasTexture.h"

#include <QOpenGLFunctions_3_3_Core>

namespace zentrova {

namespace {

GLenum pixelFormat(GlyphAtlasFormat format)
{
    return format == GlyphAtlasFormat::grayscale ? GL_RED : GL_BGRA;
}

} // namespace

GlGlyphAtlasTexture::GlGlyphAtlasTexture(QOpenGLFunctions_3_3_Core& gl, unsigned id, GlyphAtlasFormat format)
    : m_gl(gl)
    , m_id(id)
    , m_format(format)
{
}

GlGlyphAtlasTexture::~GlGlyphAtlasTexture()
{
    GLuint id = m_id;
    m_gl.glDeleteTextures(1, &id);
}

void GlGlyphAtlasTexture::upload(int x, int y, int width, int height, const uint8_t* pixels, int rowLength)
{
    m_gl.glBindTexture(GL_TEXTURE_2D, m_id);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    m_gl.glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, pixelFormat(m_format), GL_UNSIGNED_BYTE, pixels);
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

std::unique_ptr<GlyphAtlasTexture> GlGlyphAtlasDevice::makeTexture(int side, GlyphAtlasFormat format, const uint8_t* pixels)
{
    if (side < 1 || side > maxTextureSize())
        return nullptr;
    while (m_gl.glGetError() != GL_NO_ERROR) { } // earlier errors are not this texture's
    GLuint id = 0;
    m_gl.glGenTextures(1, &id);
    m_gl.glBindTexture(GL_TEXTURE_2D, id);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const GLint internalFormat = format == GlyphAtlasFormat::grayscale ? GL_R8 : GL_RGBA8;
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_gl.glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, side, side, 0, pixelFormat(format), GL_UNSIGNED_BYTE, pixels);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (id == 0 || m_gl.glGetError() != GL_NO_ERROR) {
        m_gl.glDeleteTextures(1, &id);
        return nullptr;
    }
    return std::make_unique<GlGlyphAtlasTexture>(m_gl, id, format);
}

int GlGlyphAtlasDevice::maxTextureSize() const
{
    GLint size = 0;
    m_gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

} // namespace zentrova
