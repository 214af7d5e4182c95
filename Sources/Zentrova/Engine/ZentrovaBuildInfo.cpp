#include "Zentrova/Engine/ZentrovaBuildInfo.h"

namespace zentrova {

std::string_view ZentrovaBuildInfo::version()
{
    return commit().substr(0, 12);
}

} // namespace zentrova
