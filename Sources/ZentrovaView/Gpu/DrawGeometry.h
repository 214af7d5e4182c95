#pragma once

#include "Zentrova/Screen/BufferLine.h"
#include "ZentrovaView/Gpu/ColorVertex.h"
#include "ZentrovaView/Gpu/GlyphVertex.h"

#include <QColor>

#include <array>
#include <optional>
#include <vector>

namespace zentrova {

class Buffer;

// A rectangle in device pixels (y up) with the texture rectangle that goes with it.
struct PixelQuad {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    double u0 = 0;
    double v0 = 0;
    double u1 = 0;
    double v1 = 0;
    bool operator==(const PixelQuad&) const = default;
};

// How a row's render mode moves its rectangles: x doubled on every mode but single, y stretched about
// `pivotY` on the double-height halves, which are also clipped to their row (`clip`, in device pixels).
struct RowTransform {
    BufferLine::RenderLineMode mode = BufferLine::RenderLineMode::single;
    double pivotY = 0;
    bool clipped = false;
    double clipMinX = 0;
    double clipMinY = 0;
    double clipMaxX = 0;
    double clipMaxY = 0;

    // The quad moved by the render mode, with its corners ordered; its texture rectangle unchanged.
    PixelQuad transform(const PixelQuad& quad) const;
    // The transformed quad clipped to the row, its texture rectangle cut in the same proportion;
    // nothing when the clip leaves no area.
    std::optional<PixelQuad> place(const PixelQuad& quad) const;
};

// A row's transform: `rowBottomPx` and `rowTopPx` its edges, `viewWidthPx` the clip's width.
RowTransform rowTransform(BufferLine::RenderLineMode mode, double rowBottomPx, double rowTopPx, double viewWidthPx);

// Clips a quad to the box (x0, y0)-(x1, y1), moving each texture coordinate as far as its edge moved;
// nothing for a quad without area or an empty intersection.
std::optional<PixelQuad> clipRect(const PixelQuad& quad, double x0, double y0, double x1, double y1);

// Two triangles (x0,y0)-(x1,y0)-(x0,y1) and (x1,y0)-(x1,y1)-(x0,y1) over the quad, textured from its
// (u0,v0)-(u1,v1) and tinted `color`.
void appendGlyphQuad(std::vector<GlyphVertex>& vertices, const PixelQuad& quad, const std::array<float, 4>& color);
// The same two triangles in one flat colour.
void appendColorQuad(std::vector<ColorVertex>& vertices, double x0, double y0, double x1, double y1,
                     const std::array<float, 4>& color);

// A colour as the shaders read it: straight red, green, blue and alpha.
std::array<float, 4> colorToSIMD(const QColor& color);

// The ring rows shown: from the buffer's `yDisp` over `visibleRows` rows, cut at the last stored row.
struct VisibleRowRange {
    int first = 0;
    int last = 0;
    int yDisp = 0;
};
std::optional<VisibleRowRange> visibleRowRange(const Buffer& buffer, int visibleRows);

} // namespace zentrova
