#pragma once

#include <QLoggingCategory>

namespace zentrova {

// Where the view's recovery trace points ("Metal.Recovery") go, and whether they are on:
// ZENTROVA_PROFILE=1 switches them on, read once per process.
struct MetalRecoverySignpost {
    static const QLoggingCategory& log();
    static bool isEnabled();
};

} // namespace zentrova
