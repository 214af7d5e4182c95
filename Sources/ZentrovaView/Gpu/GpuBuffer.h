#pragma once

#include <cstddef>
#include <memory>
#include <span>

namespace zentrova {

// A block of GPU memory that vertex and cell records are copied into.
class GpuBuffer {
public:
    virtual ~GpuBuffer() = default;
    virtual size_t length() const = 0;
    // Copies `bytes` to the start of the buffer; they must fit.
    virtual void write(std::span<const std::byte> bytes) = 0;
};

// Makes buffers: the GL context in the program, a counting fake in tests.
class GpuBufferDevice {
public:
    virtual ~GpuBufferDevice() = default;
    // A buffer of exactly `length` bytes, or nothing when the device cannot make it.
    virtual std::shared_ptr<GpuBuffer> makeBuffer(size_t length) = 0;
};

} // namespace zentrova
