#pragma once

#include <QLoggingCategory>

// The GPU renderer's log categories: the glyph atlases, and the profiling of recovery.
Q_DECLARE_LOGGING_CATEGORY(lcMetalAtlas)
Q_DECLARE_LOGGING_CATEGORY(lcMetalProfile)
