#include "ZentrovaView/Gpu/MetalFrameRefusalReason.h"

#include <array>

namespace zentrova {

namespace {
constexpr std::array<std::string_view, 5> names {
    "activeFrame", "missingDrawable", "missingRenderPassDescriptor", "missingCommandBuffer", "missingRenderEncoder",
};
} // namespace

std::string_view toString(MetalFrameRefusalReason reason)
{
    return names[size_t(reason)];
}

std::optional<MetalFrameRefusalReason> metalFrameRefusalReasonFromString(std::string_view text)
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == text)
            return MetalFrameRefusalReason(i);
    }
    return std::nullopt;
}

} // namespace zentrova
