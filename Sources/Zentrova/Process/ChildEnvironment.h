#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zentrova {

// The environment a child gets when its starter names none, as NAME=value entries: the terminal
// type (xterm-256color when absent), COLORTERM when true colour is on, a UTF-8 locale in LANG
// (en_US.UTF-8 where the system has it, else C.UTF-8), then the identity variables LOGNAME, USER,
// DISPLAY, LC_CTYPE and HOME from our own environment, in that order, each only when it is set.
std::vector<std::string> getEnvironmentVariables(const std::optional<std::string>& termName, bool trueColor);

} // namespace zentrova
