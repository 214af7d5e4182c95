#include "PowerlineGeometry.h"

#include <cmath>

namespace zentrova {

std::optional<PowerlineGlyph> PowerlineRenderer::glyph(std::uint32_t codePoint)
{
    switch (codePoint) {
    case 0xE0B0: return PowerlineGlyph { true, false };
    case 0xE0B2: return PowerlineGlyph { false, false };
    case 0xE0B4: return PowerlineGlyph { true, true };
    case 0xE0B6: return PowerlineGlyph { false, true };
    default: return std::nullopt;
    }
}

std::optional<GlyphPixelRect> PowerlineRenderer::devicePixelJoinRect(std::uint32_t codePoint, double left, double top,
                                                                     double right, double bottom)
{
    const std::optional<PowerlineGlyph> found = glyph(codePoint);
    if (!found)
        return std::nullopt;
    const double x = found->pointsRight ? left - 1 : right;
    return GlyphPixelRect { x, top, x + 1, bottom, 1 };
}

PowerlineShape PowerlineRenderer::shape(const PowerlineGlyph& glyph, double left, double top, double right,
                                        double bottom, double gridX, double gridY)
{
    PowerlineShape shape;
    shape.left = std::floor(left / gridX) * gridX;
    shape.right = std::ceil(right / gridX) * gridX;
    shape.top = std::floor(top / gridY) * gridY;
    shape.bottom = std::ceil(bottom / gridY) * gridY;
    shape.rounded = glyph.rounded;
    shape.baseX = glyph.pointsRight ? shape.left : shape.right;
    shape.tipX = glyph.pointsRight ? shape.right : shape.left;
    shape.tipY = std::round((shape.top + shape.bottom) / 2 / gridY) * gridY;
    shape.controlX = shape.baseX + 4.0 / 3.0 * (shape.tipX - shape.baseX);
    const double seamX = glyph.pointsRight ? shape.left - gridX : shape.right;
    shape.seam = GlyphPixelRect { seamX, shape.top, seamX + gridX, shape.bottom, 1 };
    return shape;
}

} // namespace zentrova
