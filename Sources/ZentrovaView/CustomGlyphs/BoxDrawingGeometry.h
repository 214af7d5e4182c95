#pragma once

#include "BlockElementMapping.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zentrova {

// A filled pixel rectangle x0 ..< x1, y0 ..< y1 from the cell's top-left corner.
struct PixelBox {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;

    bool operator==(const PixelBox&) const = default;
};

// The quarter ring of a rounded corner: a ring about (centreX, centreY) clipped to the clip rectangle.
struct BoxArc {
    double centreX = 0;
    double centreY = 0;
    double outerRadius = 0;
    double innerRadius = 0;
    GlyphPixelRect clip;
};

// A stroked straight line with butt caps.
struct BoxDiagonal {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    double width = 1;
};

// What one box-drawing character lays over its cell, in device pixels from the cell's top-left corner.
// Boxes are drawn on whole pixels; the arc and diagonals need anti-aliasing.
struct BoxDrawingShape {
    std::vector<PixelBox> boxes;
    std::optional<BoxArc> arc;
    std::vector<BoxDiagonal> diagonals;
};

// The pixel canvas laid over one cell: its size in whole device pixels and the thinnest line it allows.
struct BoxDrawingCanvas {
    int width = 1;
    int height = 1;
    int minimumThickness = 1;

    // Adds x0 ..< x1, y0 ..< y1 clamped to the canvas; an empty rectangle adds nothing.
    void box(BoxDrawingShape& shape, int x0, int y0, int x1, int y1) const;
};

// The shape of U+2500 to U+257F in a cell of `widthPx` by `heightPx` device pixels at `scale` device pixels
// per point, with light lines `baseThicknessPx` thick; nothing for any other code point.
std::optional<BoxDrawingShape> boxDrawingShape(std::uint32_t codePoint, int widthPx, int heightPx, double scale,
                                               int baseThicknessPx);

} // namespace zentrova
