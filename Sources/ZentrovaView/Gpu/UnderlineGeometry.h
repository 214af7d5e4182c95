#pragma once

#include "Zentrova/Screen/BufferLine.h"
#include "Zentrova/Screen/UnderlineStyle.h"
#include "ZentrovaView/Gpu/ColorCell.h"

#include <optional>
#include <vector>

namespace zentrova {

// The platform's underline and strike-through style bits, as the row layout stores them.
namespace PlatformLineStyle {
constexpr int single = 0x01;
constexpr int double_ = 0x09;
constexpr int dotPattern = 0x100;
constexpr int dashPatterns = 0x600;
} // namespace PlatformLineStyle

// A clip box in device pixels; rectangles are clamped to it and dropped when empty.
struct DecorationClip {
    float minX = 0;
    float minY = 0;
    float maxX = 0;
    float maxY = 0;
};

// One underline or strike-through line of a glyph, in device pixels before the row's render mode
// is applied.
struct DecorationLine {
    float x0 = 0;
    float x1 = 0;
    float yCenter = 0;
    float thickness = 0;
    std::array<float, 4> color {};
    UnderlineStyle style = UnderlineStyle::single;
    float patternScale = 1; // pixels per point
    BufferLine::RenderLineMode renderMode = BufferLine::RenderLineMode::single;
    std::optional<DecorationClip> clipRect;
    float pivotY = 0; // the row's vertical pivot for double-height halves
};

// A run's underline style: the terminal's own style when stored and valid, else read from the
// platform's style bits.
UnderlineStyle resolveUnderlineStyle(std::optional<int> zentrovaUnderlineStyle, int platformUnderlineStyle);

// A run's underline: none unless the platform's underline bits are set, then the resolved style.
UnderlineStyle runUnderlineStyle(std::optional<int> zentrovaUnderlineStyle, int platformUnderlineStyle);

// The strike-through's pattern from the platform bits: dotted, dashed or single.
UnderlineStyle resolveStrikethroughStyle(int platformStrikethroughStyle);

// The horizontal span a glyph's line covers: from its cell's left edge over a whole cell width.
struct DecorationSpan {
    float x0 = 0;
    float x1 = 0;
};
DecorationSpan decorationSpan(double cellWidth, int cellColumn, double scale);

// Centres in pixels of a glyph's underline lines; `baseline` is underline position plus the row's
// lift, bottom and the glyph's y, all in points. A double underline's second line sits one
// thickness plus one point below the first.
std::vector<float> underlineLineCenters(UnderlineStyle style, double baseline, double thicknessPoints, double scale);

// A strike-through's thickness in points: the underline thickness snapped to whole pixels, at
// least half a point.
double strikethroughThickness(double scale, double underlineThickness);

// Centres in pixels of a glyph's strike-through lines, halfway up the x-height; `base` is the
// row's lift, bottom and the glyph's y in points. The platform's double bits add a second line.
std::vector<float> strikethroughLineCenters(int platformStrikethroughStyle, double xHeight, double thicknessPoints,
                                            double base, double scale);

// Cuts one line into rectangles of its style and appends them.
void appendUnderlineSegments(const DecorationLine& line, std::vector<ColorCell>& output);

} // namespace zentrova
