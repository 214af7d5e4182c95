#pragma once

#include "BlockElementMapping.h"

#include <cstdint>
#include <optional>

namespace zentrova {

// The solid separators a shell prompt draws between coloured segments.
struct PowerlineGlyph {
    bool pointsRight = false; // the flat side is on the left
    bool rounded = false;     // a half-ellipse rather than a triangle

    bool operator==(const PowerlineGlyph&) const = default;
};

// The outline of a separator over its snapped cell, y growing downwards. A triangle runs base-top, tip,
// base-bottom; a rounded glyph is one cubic from base-top to base-bottom through the two control points.
struct PowerlineShape {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    double baseX = 0;
    double tipX = 0;
    double tipY = 0;
    double controlX = 0;
    bool rounded = false;
    // The strip just outside the flat side that hides the hairline anti-aliasing leaves beside the segment.
    GlyphPixelRect seam;
};

namespace PowerlineRenderer {

// U+E0B0, U+E0B2, U+E0B4 and U+E0B6; nothing for the outline variants and every other code point.
std::optional<PowerlineGlyph> glyph(std::uint32_t codePoint);

// The one-unit strip beside the flat side of a solid separator whose cell is `left`..`right` by
// `top`..`bottom` in device pixels; nothing for every other code point.
std::optional<GlyphPixelRect> devicePixelJoinRect(std::uint32_t codePoint, double left, double top, double right,
                                                  double bottom);

// The shape over a cell `left`..`right` by `top`..`bottom`, whose edges snap outwards to a grid of
// `gridX` by `gridY` (one device pixel, or half of one along a doubled axis).
PowerlineShape shape(const PowerlineGlyph& glyph, double left, double top, double right, double bottom, double gridX,
                     double gridY);

} // namespace PowerlineRenderer

} // namespace zentrova
