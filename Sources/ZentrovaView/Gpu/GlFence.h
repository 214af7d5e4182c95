#pragma once

#include "ZentrovaView/Gpu/GpuFence.h"

class QOpenGLFunctions_3_3_Core;
struct __GLsync;

namespace zentrova {

// A GL fence placed after a frame's commands; polled with a zero time-out. Made, polled and
// destroyed with its context current.
class GlFence final : public GpuFence {
public:
    explicit GlFence(QOpenGLFunctions_3_3_Core& gl);
    ~GlFence() override;
    GlFence(const GlFence&) = delete;
    GlFence& operator=(const GlFence&) = delete;

    bool isSignaled() override;
    // Placed again after the commands issued so far, for a new frame; the old fence is deleted.
    void rearm();

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    __GLsync* m_sync;
    bool m_signaled = false;
};

} // namespace zentrova
