#include "ZentrovaView/Gpu/GpuCompletionQueue.h"

namespace zentrova {

void GpuCompletionQueue::add(std::shared_ptr<GpuFence> fence, std::function<void()> handler)
{
    m_pending.push_back({ std::move(fence), std::move(handler) });
}

void GpuCompletionQueue::poll()
{
    while (!m_pending.empty() && m_pending.front().fence->isSignaled()) {
        // Taken off first: a handler may submit more work.
        auto handler = std::move(m_pending.front().handler);
        m_pending.erase(m_pending.begin());
        handler();
    }
}

} // namespace zentrova
