#pragma once

#include "Zentrova/Screen/Color.h"

#include <QColor>

namespace zentrova {

// Between the screen model's 16-bit colours and Qt's. Channels keep all 16 bits both ways
// (QColor::fromRgba64), so a colour survives the round trip.

// Opaque, each channel as it stands.
QColor makeQColor(const Color& color);

// Each channel clamped to 0...1 (extended-range colours go past 1) and truncated to 16 bits; an invalid
// colour gives the default foreground.
Color getTerminalColor(const QColor& color);

// Faint text: each channel the mean of the two colours', with `color`'s alpha; `color` unchanged when
// either colour is invalid.
QColor dimmedColor(const QColor& color, const QColor& towards);

} // namespace zentrova
