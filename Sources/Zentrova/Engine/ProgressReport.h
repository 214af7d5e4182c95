#pragma once

#include <cstdint>
#include <optional>

namespace zentrova {

// What a progress report (OSC 9 ; 4) asks the host to show.
enum class ProgressReportState : uint8_t { remove = 0, set = 1, error = 2, indeterminate = 3, pause = 4 };

// The state for a raw value 0...4; nothing for any other number.
constexpr std::optional<ProgressReportState> progressReportStateFromRawValue(int rawValue)
{
    if (rawValue < 0 || rawValue > 4)
        return std::nullopt;
    return ProgressReportState(rawValue);
}

struct ProgressReport {
    ProgressReportState state = ProgressReportState::remove;
    std::optional<uint8_t> progress; // percent, when the state carries one

    bool operator==(const ProgressReport&) const = default;
};

} // namespace zentrova
