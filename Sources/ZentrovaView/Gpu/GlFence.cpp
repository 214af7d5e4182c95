#include "ZentrovaView/Gpu/GlFence.h"

#include <QOpenGLFunctions_3_3_Core>

namespace zentrova {

GlFence::GlFence(QOpenGLFunctions_3_3_Core& gl)
    : m_gl(gl)
    , m_sync(gl.glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0))
{
    // Without a flush the fence might never reach the GPU, and a poll would wait for ever.
    m_gl.glFlush();
}

GlFence::~GlFence()
{
    if (m_sync)
        m_gl.glDeleteSync(m_sync);
}

void GlFence::rearm()
{
    if (m_sync)
        m_gl.glDeleteSync(m_sync);
    m_sync = m_gl.glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    m_signaled = false;
    m_gl.glFlush();
}

bool GlFence::isSignaled()
{
    if (!m_sync)
        return true; // no fence was made: nothing to wait for
    // A lost context or a failed wait will never signal: count the frame as done so that its buffers
    // are not held for ever.
    if (!m_signaled)
        m_signaled = m_gl.glClientWaitSync(m_sync, 0, 0) != GL_TIMEOUT_EXPIRED;
    return m_signaled;
}

} // namespace zentrova
