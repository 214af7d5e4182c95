#pragma once

#include <optional>
#include <string_view>

namespace zentrova {

// Which build of the engine this is, as the version report gives it. The build fills in the
// source revision each time it runs.
struct ZentrovaBuildInfo {
    // The source revision: 40 lower-case hexadecimal digits (all zeros when the build had none).
    static std::string_view commit();
    // The first 12 characters of commit().
    static std::string_view version();
    static constexpr std::optional<std::string_view> tag {};
    static constexpr std::optional<std::string_view> branch {};
    static constexpr std::optional<bool> hasUncommittedChanges {};
};

} // namespace zentrova
