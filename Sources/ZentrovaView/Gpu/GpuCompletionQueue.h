#pragma once

#include "ZentrovaView/Gpu/GpuFence.h"

#include <functional>
#include <memory>
#include <vector>

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
    // A vector, not a deque: it keeps its capacity, so adding and running handlers whose captures
    // fit in std::function allocates nothing. Only a few frames are ever in flight.
    std::vector<Pending> m_pending;
};

} // namespace zentrova
