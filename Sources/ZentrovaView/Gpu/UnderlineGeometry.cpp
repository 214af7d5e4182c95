#include "ZentrovaView/Gpu/UnderlineGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zentrova {

namespace {

struct Band {
    float x0, x1, y0, y1;
};

void appendClipped(Band band, const DecorationLine& line, std::vector<ColorCell>& output)
{
    if (line.clipRect) {
        band.x0 = std::max(band.x0, line.clipRect->minX);
        band.x1 = std::min(band.x1, line.clipRect->maxX);
        band.y0 = std::max(band.y0, line.clipRect->minY);
        band.y1 = std::min(band.y1, line.clipRect->maxY);
    }
    if (band.x1 <= band.x0 || band.y1 <= band.y0)
        return;
    output.push_back(ColorCell { { band.x0, band.y0 }, { band.x1 - band.x0, band.y1 - band.y0 }, line.color });
}

// Dashes of `length` every `period`, from x0, the last cut at x1.
void appendDashes(const Band& band, float length, float period, const DecorationLine& line,
                  std::vector<ColorCell>& output)
{
    for (float x = band.x0; x < band.x1; x += period)
        appendClipped({ x, std::min(x + length, band.x1), band.y0, band.y1 }, line, output);
}

} // namespace

UnderlineStyle resolveUnderlineStyle(std::optional<int> zentrovaUnderlineStyle, int platformUnderlineStyle)
{
    if (zentrovaUnderlineStyle && *zentrovaUnderlineStyle >= 0 && *zentrovaUnderlineStyle <= 255) {
        if (auto style = underlineStyleFromRawValue(uint8_t(*zentrovaUnderlineStyle)))
            return *style;
    }
    const int v = platformUnderlineStyle;
    if ((v & PlatformLineStyle::double_) == PlatformLineStyle::double_)
        return UnderlineStyle::double_;
    if (v & PlatformLineStyle::dotPattern)
        return UnderlineStyle::dotted;
    if (v & PlatformLineStyle::dashPatterns)
        return UnderlineStyle::dashed;
    return v != 0 ? UnderlineStyle::single : UnderlineStyle::none;
}

UnderlineStyle runUnderlineStyle(std::optional<int> zentrovaUnderlineStyle, int platformUnderlineStyle)
{
    if (platformUnderlineStyle == 0)
        return UnderlineStyle::none;
    return resolveUnderlineStyle(zentrovaUnderlineStyle, platformUnderlineStyle);
}

UnderlineStyle resolveStrikethroughStyle(int platformStrikethroughStyle)
{
    if (platformStrikethroughStyle & PlatformLineStyle::dotPattern)
        return UnderlineStyle::dotted;
    if (platformStrikethroughStyle & PlatformLineStyle::dashPatterns)
        return UnderlineStyle::dashed;
    return UnderlineStyle::single;
}

DecorationSpan decorationSpan(double cellWidth, int cellColumn, double scale)
{
    return { float(scale * cellWidth * cellColumn), float(scale * (cellWidth * cellColumn + std::ceil(cellWidth))) };
}

std::vector<float> underlineLineCenters(UnderlineStyle style, double baseline, double thicknessPoints, double scale)
{
    if (style == UnderlineStyle::none)
        return {};
    std::vector<float> centers { float(scale * baseline) };
    if (style == UnderlineStyle::double_)
        centers.push_back(float(scale * (baseline - thicknessPoints - 1)));
    return centers;
}

double strikethroughThickness(double scale, double underlineThickness)
{
    return std::max(0.5, std::round(scale * underlineThickness) / scale);
}

std::vector<float> strikethroughLineCenters(int platformStrikethroughStyle, double xHeight, double thicknessPoints,
                                            double base, double scale)
{
    const double middle = (xHeight + thicknessPoints) * 0.5 + base;
    std::vector<float> centers { float(scale * middle) };
    if ((platformStrikethroughStyle & PlatformLineStyle::double_) == PlatformLineStyle::double_)
        centers.push_back(float(scale * (middle - thicknessPoints - 1)));
    return centers;
}

void appendUnderlineSegments(const DecorationLine& line, std::vector<ColorCell>& output)
{
    using Mode = BufferLine::RenderLineMode;
    if (line.style == UnderlineStyle::none)
        return;
    const float half = line.thickness / 2;
    Band band { line.x0, line.x1, line.yCenter - half, line.yCenter + half };
    if (line.renderMode == Mode::doubledTop || line.renderMode == Mode::doubledDown) {
        band.y0 = line.pivotY + (band.y0 - line.pivotY) * 2;
        band.y1 = line.pivotY + (band.y1 - line.pivotY) * 2;
    }
    if (line.renderMode != Mode::single) {
        band.x0 *= 2;
        band.x1 *= 2;
    }

    const float unit = std::max(line.thickness, line.patternScale);
    // Patterns step by `unit`; a degenerate line has nothing to cut.
    if (!(unit > 0) && line.style != UnderlineStyle::single && line.style != UnderlineStyle::double_)
        return;
    switch (line.style) {
    case UnderlineStyle::none:
        break;
    case UnderlineStyle::single:
    case UnderlineStyle::double_:
        appendClipped(band, line, output);
        break;
    case UnderlineStyle::dotted:
        appendDashes(band, unit, 3 * unit, line, output);
        break;
    case UnderlineStyle::dashed:
        appendDashes(band, 2 * unit, 4 * unit, line, output);
        break;
    case UnderlineStyle::curly: {
        const float center = (band.y0 + band.y1) / 2;
        const float bandHalf = (band.y1 - band.y0) / 2;
        for (float x = band.x0; x < band.x1; x += unit) {
            const float phase = 2 * std::numbers::pi_v<float> * (x - band.x0) / (4 * unit);
            const float stepCenter = center + unit * std::sin(phase);
            appendClipped({ x, std::min(x + unit, band.x1), stepCenter - bandHalf, stepCenter + bandHalf }, line, output);
        }
        break;
    }
    }
}

} // namespace zentrova
