#include "ZentrovaView/Gpu/GpuLogging.h"

Q_LOGGING_CATEGORY(lcMetalAtlas, "zentrova.MetalAtlas")
Q_LOGGING_CATEGORY(lcMetalProfile, "zentrova.MetalProfile")
Q_LOGGING_CATEGORY(lcMetalRecovery, "zentrova.MetalRecovery")
