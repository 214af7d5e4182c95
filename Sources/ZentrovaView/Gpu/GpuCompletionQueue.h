#pragma once

#include "ZentrovaView/Gpu/GpuFence.h"

#include <deque>
#include <functional>
#include <memory>

namespace zentrova {

// Completion handlers of submitted frames, run once their fence has signalled. The GPU finishes
// frames in submission order, so handlers run in that order and a later frame never completes
// before an earlier one.
class GpuCompletionQueue {
public:
    void add(std::shared_ptr<GpuFence> fence, std::function<void()> handler);
    // Runs the handlers of every leading frame whose fence has signalled; never waits.
    void poll();
    bool empty() const { return m_pending.empty(); }

private:
    struct Pending {
        std::shared_ptr<GpuFence> fence;
        std::function<void()> handler;
    };
    std::deque<Pending> m_pending;
};

} // namespace zentrova
