#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zentrova {

// Why a frame could not be drawn.
enum class MetalFrameRefusalReason : uint8_t {
    activeFrame,
    missingDrawable,
    missingRenderPassDescriptor,
    missingCommandBuffer,
    missingRenderEncoder,
};

std::string_view toString(MetalFrameRefusalReason reason);
std::optional<MetalFrameRefusalReason> metalFrameRefusalReasonFromString(std::string_view text);

} // namespace zentrova
