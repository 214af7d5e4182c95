#pragma once

#include "ZentrovaView/Gpu/MetalFrameRefusalReason.h"
#include "ZentrovaView/Gpu/MetalTrackedCommandBufferStatus.h"

#include <optional>
#include <string>

namespace zentrova {

// Why the GPU renderer needs replacing: a frame that failed or hung, or drawing refused for too long.
struct MetalRendererRecoveryReport {
    MetalFrameRefusalReason reason = MetalFrameRefusalReason::activeFrame;
    double failureDuration = 0; // seconds, never negative
    std::optional<MetalTrackedCommandBufferStatus> commandBufferStatus;
    std::optional<std::string> commandBufferError;
    bool operator==(const MetalRendererRecoveryReport&) const = default;
};

} // namespace zentrova
