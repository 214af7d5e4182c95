#pragma once

namespace zentrova {

// Marks the end of one frame's commands in the GPU's stream. GL has no completion callbacks: a
// fence is polled, without waiting, to learn that the GPU has finished the frame.
class GpuFence {
public:
    virtual ~GpuFence() = default;
    virtual bool isSignaled() = 0;
};

} // namespace zentrova
