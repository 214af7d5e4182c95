#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zentrova {

// Where a frame's submitted commands are. In GL a frame's commands are tracked by its fence:
// `committed` until the fence signals, then `completed`.
enum class MetalTrackedCommandBufferStatus : uint8_t { notEnqueued, enqueued, committed, scheduled, completed, error };

std::string_view toString(MetalTrackedCommandBufferStatus status);
std::optional<MetalTrackedCommandBufferStatus> metalTrackedCommandBufferStatusFromString(std::string_view text);
// The status numbered as the GPU framework numbers it: 0 to 4 in order, anything else an error.
MetalTrackedCommandBufferStatus metalTrackedCommandBufferStatusFromNumber(long number);

} // namespace zentrova
