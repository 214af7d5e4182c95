#include "Zentrova/Process/ChildEnvironment.h"

#include <clocale>
#include <cstdlib>

namespace zentrova {
namespace {

// en_US.UTF-8 where this system has it; otherwise C.UTF-8, which current C libraries always carry.
// A locale the system lacks would leave the child in ASCII.
const char* utf8Locale()
{
    static const char* const name = [] {
        locale_t probe = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t(nullptr));
        if (!probe)
            return "C.UTF-8";
        freelocale(probe);
        return "en_US.UTF-8";
    }();
    return name;
}

} // namespace

std::vector<std::string> getEnvironmentVariables(const std::optional<std::string>& termName, bool trueColor)
{
    std::vector<std::string> environment;
    environment.push_back("TERM=" + termName.value_or("xterm-256color"));
    if (trueColor)
        environment.emplace_back("COLORTERM=truecolor");
    environment.push_back(std::string("LANG=") + utf8Locale());
    for (const char* name : { "LOGNAME", "USER", "DISPLAY", "LC_CTYPE", "HOME" }) {
        if (const char* value = std::getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    }
    return environment;
}

} // namespace zentrova
