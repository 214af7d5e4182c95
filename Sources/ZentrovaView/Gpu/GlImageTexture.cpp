#include "ZentrovaView/Gpu/GlImageTexture.h"

#include "ZentrovaView/Gpu/GlTexture.h"

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
    GLuint id = m_id;
    m_gl.glDeleteTextures(1, &id);
}

std::shared_ptr<GpuImageTexture> GlImageTextureFactory::makeTexture(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    GLint maxSide = 0;
    m_gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (image.width() > maxSide || image.height() > maxSide)
        return nullptr;
    // GL's first row is the bottom one, where the quads put v = 0.
    const QImage rows = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied).mirrored(false, true);
    while (m_gl.glGetError() != GL_NO_ERROR) { } // earlier errors are not this texture's
    GLuint id = makeLinearClampedTexture(m_gl);
    m_gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, int(rows.bytesPerLine() / 4));
    m_gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rows.width(), rows.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      rows.constBits());
    m_gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (id == 0 || m_gl.glGetError() != GL_NO_ERROR) {
        m_gl.glDeleteTextures(1, &id);
        return nullptr;
    }
    return std::make_shared<GlImageTexture>(m_gl, id, rows.width(), rows.height());
}

} // namespace zentrova
