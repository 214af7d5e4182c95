#include "ZentrovaView/Gpu/MetalTrackedCommandBufferStatus.h"

#include <array>

namespace zentrova {

namespace {
constexpr std::array<std::string_view, 6> names {
    "notEnqueued", "enqueued", "committed", "scheduled", "completed", "error",
};
} // namespace

std::string_view toString(MetalTrackedCommandBufferStatus status)
{
    return names[size_t(status)];
}

std::optional<MetalTrackedCommandBufferStatus> metalTrackedCommandBufferStatusFromString(std::string_view text)
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == text)
            return MetalTrackedCommandBufferStatus(i);
    }
    return std::nullopt;
}

MetalTrackedCommandBufferStatus metalTrackedCommandBufferStatusFromNumber(long number)
{
    if (number >= 0 && number <= 4)
        return MetalTrackedCommandBufferStatus(number);
    return MetalTrackedCommandBufferStatus::error;
}

} // namespace zentrova
