#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace zentrova {

// What the terminal view publishes about its GPU renderer.
struct MetalRendererStatus {
    enum class State : uint8_t { disabled, waitingForFirstFrame, healthy, recovering, fellBackToCoreGraphics };

    State state = State::disabled;
    uint64_t presentedFrameCount = 0;
    std::optional<std::chrono::system_clock::time_point> lastFramePresentedAt;
    bool operator==(const MetalRendererStatus&) const = default;
};

// When the view last replaced its renderer on its own (clock seconds).
struct MetalAutomaticRecoveryPolicy {
    std::optional<double> lastReplacementAt;
    bool operator==(const MetalAutomaticRecoveryPolicy&) const = default;
};

} // namespace zentrova
