#pragma once

#include "ZentrovaView/Gpu/BufferPool.h"
#include "ZentrovaView/Gpu/MetalFrameCoordinator.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zentrova {

// What is done once a submitted frame's fence signals: the frame's pooled buffers go back to the
// pool, then the coordinator learns the frame completed (with the GL error text when one was raised).
// Records are reused frame after frame, so completing a steady frame allocates nothing.
struct FrameCompletion {
    std::weak_ptr<MetalFrameCoordinator> coordinator;
    MetalFrameCoordinator::Token token {};
    std::optional<std::string> error;
    std::weak_ptr<BufferPool> pool;
    std::vector<std::shared_ptr<GpuBuffer>> buffers;
    bool inFlight = false;

    void run();
};

// The reusable completion records of one GL surface. They must outlive the completion queue that
// holds handlers referring to them.
class FrameCompletions {
public:
    // A record of no frame in flight, marked in flight; a new one only when all are.
    FrameCompletion& acquire();

private:
    std::vector<std::unique_ptr<FrameCompletion>> m_records;
};

} // namespace zentrova
