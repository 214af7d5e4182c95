#include "ZentrovaView/Gpu/GlBuffer.h"

#include <QOpenGLFunctions_3_3_Core>

namespace zentrova {

GlBuffer::GlBuffer(QOpenGLFunctions_3_3_Core& gl, unsigned id, size_t length)
    : m_gl(gl)
    , m_id(id)
    , m_length(length)
{
}

GlBuffer::~GlBuffer()
{
    GLuint id = m_id;
    m_gl.glDeleteBuffers(1, &id);
}

void GlBuffer::write(std::span<const std::byte> bytes)
{
    if (bytes.size() > m_length)
        return;
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, m_id);
    m_gl.glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes.size()), bytes.data());
}

std::shared_ptr<GpuBuffer> GlBufferDevice::makeBuffer(size_t length)
{
    while (m_gl.glGetError() != GL_NO_ERROR) { } // earlier errors are not this buffer's
    GLuint id = 0;
    m_gl.glGenBuffers(1, &id);
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, id);
    m_gl.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(length), nullptr, GL_DYNAMIC_DRAW);
    if (id == 0 || m_gl.glGetError() != GL_NO_ERROR) {
        m_gl.glDeleteBuffers(1, &id);
        return nullptr;
    }
    ++m_buffersMade;
    return std::make_shared<GlBuffer>(m_gl, id, length);
}

} // namespace zentrova
