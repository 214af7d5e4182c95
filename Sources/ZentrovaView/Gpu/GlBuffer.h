#pragma once

#include "ZentrovaView/Gpu/GpuBuffer.h"

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

// A vertex buffer object of fixed length. Made, written and destroyed with its context current.
class GlBuffer final : public GpuBuffer {
public:
    GlBuffer(QOpenGLFunctions_3_3_Core& gl, unsigned id, size_t length);
    ~GlBuffer() override;
    GlBuffer(const GlBuffer&) = delete;
    GlBuffer& operator=(const GlBuffer&) = delete;

    size_t length() const override { return m_length; }
    void write(std::span<const std::byte> bytes) override;
    unsigned id() const { return m_id; }

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    unsigned m_id;
    size_t m_length;
};

// Makes vertex buffers in the current GL context and counts them, so that a warm pool can be seen
// to make none.
class GlBufferDevice final : public GpuBufferDevice {
public:
    explicit GlBufferDevice(QOpenGLFunctions_3_3_Core& gl) : m_gl(gl) { }

    std::shared_ptr<GpuBuffer> makeBuffer(size_t length) override;
    size_t buffersMade() const { return m_buffersMade; }

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    size_t m_buffersMade = 0;
};

} // namespace zentrova
