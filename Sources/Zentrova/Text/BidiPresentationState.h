#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zentrova {

enum class BidiDirection : uint8_t { leftToRight, rightToLeft };

// implicit: the terminal reorders right-to-left text itself; explicit: the application has laid it out
// already and the terminal only mirrors a right-to-left row.
enum class BidiSupportMode : uint8_t { implicit, explicit_ };

// How the rows of a screen are presented when they hold right-to-left text. The screen model only
// stores and copies it (terminal, each buffer, each row); the bidi layout reads it.
struct BidiPresentationState {
    BidiSupportMode supportMode = BidiSupportMode::implicit;
    bool autodetectDirection = true;
    BidiDirection fallbackDirection = BidiDirection::leftToRight;
    bool boxMirroring = false;

    static const BidiPresentationState Default;

    bool operator==(const BidiPresentationState&) const = default;
};

inline constexpr BidiPresentationState BidiPresentationState::Default {};

} // namespace zentrova

template <>
struct std::hash<zentrova::BidiPresentationState> {
    size_t operator()(const zentrova::BidiPresentationState& state) const noexcept
    {
        return size_t(state.supportMode) | size_t(state.autodetectDirection) << 1
            | size_t(state.fallbackDirection) << 2 | size_t(state.boxMirroring) << 3;
    }
};
