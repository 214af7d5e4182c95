#include "ZentrovaView/Gpu/MetalRecoverySignpost.h"

#include "ZentrovaView/Gpu/GpuLogging.h"

#include <cstdlib>
#include <cstring>

namespace zentrova {

const QLoggingCategory& MetalRecoverySignpost::log()
{
    return lcMetalProfile();
}

bool MetalRecoverySignpost::isEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("ZENTROVA_PROFILE");
        return value && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

} // namespace zentrova
