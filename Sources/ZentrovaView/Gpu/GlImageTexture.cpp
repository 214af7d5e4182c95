#include "ZentrovaView/Gpu/GlImageTexture.h"

#include <QImage>
#include <QOpenGLFunctions_3_3_Core>

namespace zentrova {

GlImageTexture::GlImageTexture(QOpenGLFunctions_3_3_Core& gl, unsigned id, int width, int height)
    : m_gl(gl)
    , m_id(id)
    , m_width(width)
    , m_height(height)
{
}

GlImageTexture::~GlImageTexture()
{
    m_gl.glDeleteTextures(1, &m_id);
}

std::shared_ptr<GpuImageTexture> GlImageTextureFactory::makeTexture(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    // Texture row 0 is the image's bottom row, so v grows upwards as the framebuffer's y does.
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied).mirrored();
    unsigned id = 0;
    m_gl.glGenTextures(1, &id);
    if (!id)
        return nullptr;
    while (m_gl.glGetError() != GL_NO_ERROR) { } // earlier errors are not this texture's
    m_gl.glBindTexture(GL_TEXTURE_2D, id);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, int(pixels.bytesPerLine() / 4));
    m_gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pixels.width(), pixels.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      pixels.constBits());
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (m_gl.glGetError() != GL_NO_ERROR) {
        m_gl.glDeleteTextures(1, &id);
        return nullptr;
    }
    return std::make_shared<GlImageTexture>(m_gl, id, pixels.width(), pixels.height());
}

} // namespace zentrova
