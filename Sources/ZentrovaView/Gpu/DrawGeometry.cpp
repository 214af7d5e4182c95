#include "ZentrovaView/Gpu/DrawGeometry.h"

#include "Zentrova/Screen/Buffer.h"

#include <algorithm>

namespace zentrova {

PixelQuad RowTransform::transform(const PixelQuad& quad) const
{
    using Mode = BufferLine::RenderLineMode;
    PixelQuad moved = quad;
    if (mode != Mode::single) {
        moved.x0 *= 2;
        moved.x1 *= 2;
    }
    if (mode == Mode::doubledTop || mode == Mode::doubledDown) {
        moved.y0 = pivotY + (moved.y0 - pivotY) * 2;
        moved.y1 = pivotY + (moved.y1 - pivotY) * 2;
    }
    if (moved.x0 > moved.x1)
        std::swap(moved.x0, moved.x1);
    if (moved.y0 > moved.y1)
        std::swap(moved.y0, moved.y1);
    return moved;
}

std::optional<PixelQuad> RowTransform::place(const PixelQuad& quad) const
{
    const PixelQuad moved = transform(quad);
    if (!clipped)
        return moved;
    return clipRect(moved, clipMinX, clipMinY, clipMaxX, clipMaxY);
}

RowTransform rowTransform(BufferLine::RenderLineMode mode, double rowBottomPx, double rowTopPx, double viewWidthPx)
{
    using Mode = BufferLine::RenderLineMode;
    RowTransform transform;
    transform.mode = mode;
    // The upper half of a double-height line grows downwards from the row's top, the lower half
    // upwards from its bottom; each shows the half of the doubled text that falls in its row.
    if (mode == Mode::doubledTop)
        transform.pivotY = rowTopPx;
    else if (mode == Mode::doubledDown)
        transform.pivotY = rowBottomPx;
    transform.clipped = mode == Mode::doubledTop || mode == Mode::doubledDown;
    transform.clipMinX = 0;
    transform.clipMaxX = viewWidthPx;
    transform.clipMinY = rowBottomPx;
    transform.clipMaxY = rowTopPx;
    return transform;
}

std::optional<PixelQuad> clipRect(const PixelQuad& quad, double x0, double y0, double x1, double y1)
{
    const double width = quad.x1 - quad.x0;
    const double height = quad.y1 - quad.y0;
    if (!(width > 0) || !(height > 0))
        return std::nullopt;
    PixelQuad clipped = quad;
    clipped.x0 = std::max(quad.x0, x0);
    clipped.y0 = std::max(quad.y0, y0);
    clipped.x1 = std::min(quad.x1, x1);
    clipped.y1 = std::min(quad.y1, y1);
    if (!(clipped.x1 > clipped.x0) || !(clipped.y1 > clipped.y0))
        return std::nullopt;
    const double du = quad.u1 - quad.u0;
    const double dv = quad.v1 - quad.v0;
    clipped.u0 = quad.u0 + du * (clipped.x0 - quad.x0) / width;
    clipped.u1 = quad.u1 - du * (quad.x1 - clipped.x1) / width;
    clipped.v0 = quad.v0 + dv * (clipped.y0 - quad.y0) / height;
    clipped.v1 = quad.v1 - dv * (quad.y1 - clipped.y1) / height;
    return clipped;
}

void appendGlyphQuad(std::vector<GlyphVertex>& vertices, const PixelQuad& q, const std::array<float, 4>& color)
{
    const auto vertex = [&](double x, double y, double u, double v) {
        vertices.push_back({ { float(x), float(y) }, { float(u), float(v) }, color });
    };
    vertex(q.x0, q.y0, q.u0, q.v0);
    vertex(q.x1, q.y0, q.u1, q.v0);
    vertex(q.x0, q.y1, q.u0, q.v1);
    vertex(q.x1, q.y0, q.u1, q.v0);
    vertex(q.x1, q.y1, q.u1, q.v1);
    vertex(q.x0, q.y1, q.u0, q.v1);
}

void appendColorQuad(std::vector<ColorVertex>& vertices, double x0, double y0, double x1, double y1,
                     const std::array<float, 4>& color)
{
    const auto vertex = [&](double x, double y) { vertices.push_back({ { float(x), float(y) }, {}, color }); };
    vertex(x0, y0);
    vertex(x1, y0);
    vertex(x0, y1);
    vertex(x1, y0);
    vertex(x1, y1);
    vertex(x0, y1);
}

std::array<float, 4> colorToSIMD(const QColor& color)
{
    const QColor rgb = color.spec() == QColor::Rgb || !color.isValid() ? color : color.toRgb();
    return { float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF()), float(rgb.alphaF()) };
}

std::optional<VisibleRowRange> visibleRowRange(const Buffer& buffer, int visibleRows)
{
    const int lineCount = buffer.lines().count();
    if (lineCount <= 0)
        return std::nullopt;
    const int first = buffer.yDisp();
    const int last = std::min(first + visibleRows - 1, lineCount - 1);
    if (first < 0 || last < first)
        return std::nullopt;
    return VisibleRowRange { first, last, first };
}

} // namespace zentrova
