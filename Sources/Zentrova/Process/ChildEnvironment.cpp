#include "Zentrova/Process/ChildEnvironment.h"

#include <cstdlib>

namespace zentrova {

std::vector<std::string> getEnvironmentVariables(const std::optional<std::string>& termName, bool trueColor)
{
    std::vector<std::string> environment;
    environment.push_back("TERM=" + termName.value_or("xterm-256color"));
    if (trueColor)
        environment.emplace_back("COLORTERM=truecolor");
    environment.emplace_back("LANG=en_US.UTF-8");
    for (const char* name : { "LOGNAME", "USER", "DISPLAY", "LC_CTYPE", "HOME" }) {
        if (const char* value = std::getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    }
    return environment;
}

} // namespace zentrova
