#pragma once

#include <QLoggingCategory>

// The GPU renderer's log categories: the glyph atlases, the profiling of recovery, and the line
// written each time the view replaces or gives up a failed renderer.
Q_DECLARE_LOGGING_CATEGORY(lcMetalAtlas)
Q_DECLARE_LOGGING_CATEGORY(lcMetalProfile)
Q_DECLARE_LOGGING_CATEGORY(lcMetalRecovery)
