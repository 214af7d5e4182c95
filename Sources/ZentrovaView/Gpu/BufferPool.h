#pragma once

#include "ZentrovaView/Gpu/GpuBuffer.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace zentrova {

class GpuCompletionQueue;
class GpuFence;

// Buffers that live for one frame, pooled by length. A buffer handed out in a frame goes back to the
// free lists only once the GPU has finished that frame, and at most four free buffers are kept per
// length so that a burst does not pin memory. Per-frame lengths come in power-of-two classes from
// 4096 bytes, so a warm pool serves steady frames without new buffers.
class BufferPool : public std::enable_shared_from_this<BufferPool> {
public:
    static constexpr size_t alignment = 256;
    static constexpr size_t maxBuffersPerSize = 4;

    // Made shared: the completion handlers hold the pool weakly.
    static std::shared_ptr<BufferPool> make(GpuBufferDevice& device);

    // The length class for `bytes` of records: 4096 doubled until it holds `bytes` rounded up to 256.
    static size_t sizeClass(size_t bytes);

    // A free buffer of exactly `length` bytes, else a new one; nothing when the device cannot make it.
    std::shared_ptr<GpuBuffer> dequeue(size_t length);
    // Takes buffers back into the free lists, dropping those whose list is full. Thread-safe.
    void recycle(const std::vector<std::shared_ptr<GpuBuffer>>& buffers);

    // Copies records into a pooled buffer of their length class, listed with the current frame;
    // nothing for no records.
    std::shared_ptr<GpuBuffer> makeBuffer(std::span<const std::byte> bytes);
    template <class Record>
    std::shared_ptr<GpuBuffer> makeBuffer(std::span<const Record> records)
    {
        return makeBuffer(std::as_bytes(records));
    }

    // A new frame: its list starts empty.
    void beginFrame();
    // The frame's commands are submitted behind `fence`: its buffers return when the fence signals.
    void commitFrame(GpuCompletionQueue& completions, std::shared_ptr<GpuFence> fence);
    // The frame's list swapped into `into` (emptied first), for a caller that gives them back itself
    // with recycle(); the lists trade their capacity, so this allocates nothing.
    void takeFrameBuffers(std::vector<std::shared_ptr<GpuBuffer>>& into);

    const std::vector<std::shared_ptr<GpuBuffer>>& frameBuffers() const { return m_frameBuffers; }
    size_t freeCount(size_t length) const;

private:
    explicit BufferPool(GpuBufferDevice& device) : m_device(device) { }

    GpuBufferDevice& m_device;
    mutable std::mutex m_lock;
    std::map<size_t, std::vector<std::shared_ptr<GpuBuffer>>> m_available;
    std::vector<std::shared_ptr<GpuBuffer>> m_frameBuffers;
};

} // namespace zentrova
