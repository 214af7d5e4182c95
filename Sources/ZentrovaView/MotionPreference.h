#pragma once

namespace zentrova {

// Whether the user asked the desktop for less motion (blinking text stays shown then).
class MotionPreference {
public:
    virtual ~MotionPreference() = default;
    virtual bool reduceMotion() const = 0;

    // The desktop's own answer. Qt offers no such setting to read, so it never asks for less motion.
    static const MotionPreference& system();
};

} // namespace zentrova
