#include "ZentrovaView/Gpu/BufferPool.h"

#include "ZentrovaView/Gpu/GpuCompletionQueue.h"

namespace zentrova {

std::shared_ptr<BufferPool> BufferPool::make(GpuBufferDevice& device)
{
    return std::shared_ptr<BufferPool>(new BufferPool(device));
}

size_t BufferPool::sizeClass(size_t bytes)
{
    const size_t aligned = (bytes + alignment - 1) / alignment * alignment;
    size_t length = 4096;
    while (length < aligned)
        length *= 2;
    return length;
}

std::shared_ptr<GpuBuffer> BufferPool::dequeue(size_t length)
{
    {
        std::lock_guard guard(m_lock);
        auto it = m_available.find(length);
        if (it != m_available.end() && !it->second.empty()) {
            auto buffer = std::move(it->second.back());
            it->second.pop_back();
            return buffer;
        }
    }
    return m_device.makeBuffer(length);
}

void BufferPool::recycle(const std::vector<std::shared_ptr<GpuBuffer>>& buffers)
{
    std::lock_guard guard(m_lock);
    for (const auto& buffer : buffers) {
        auto& list = m_available[buffer->length()];
        if (list.size() < maxBuffersPerSize)
            list.push_back(buffer);
    }
}

std::shared_ptr<GpuBuffer> BufferPool::makeBuffer(std::span<const std::byte> bytes)
{
    if (bytes.empty())
        return nullptr;
    auto buffer = dequeue(sizeClass(bytes.size()));
    if (!buffer)
        return nullptr;
    buffer->write(bytes);
    m_frameBuffers.push_back(buffer);
    return buffer;
}

void BufferPool::beginFrame()
{
    m_frameBuffers.clear();
}

void BufferPool::commitFrame(GpuCompletionQueue& completions, std::shared_ptr<GpuFence> fence)
{
    if (m_frameBuffers.empty())
        return;
    completions.add(std::move(fence), [pool = weak_from_this(), buffers = m_frameBuffers] {
        if (auto strong = pool.lock())
            strong->recycle(buffers);
    });
}

void BufferPool::takeFrameBuffers(std::vector<std::shared_ptr<GpuBuffer>>& into)
{
    into.clear();
    into.swap(m_frameBuffers);
}

size_t BufferPool::freeCount(size_t length) const
{
    std::lock_guard guard(m_lock);
    auto it = m_available.find(length);
    return it == m_available.end() ? 0 : it->second.size();
}

} // namespace zentrova
