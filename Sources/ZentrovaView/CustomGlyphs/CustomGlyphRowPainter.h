#pragma once

#include "ZentrovaView/ViewLineInfo.h"

#include <QRectF>

class QPainter;

namespace zentrova {

// What the row pass needs to place a row's custom glyphs on the device-pixel grid.
struct CustomGlyphRowMetrics {
    QRectF rowRect;         // in the painter's logical units
    double cellWidth = 0;   // logical units
    double scale = 1;       // device pixels per logical unit
    int baseThicknessPx = 1;
    bool antiAliasBlocks = false;
    // The grid powerline shapes snap to, in the row's own units: half of one along an axis the row's
    // render mode doubles, so that they still land on device pixels.
    double powerlineGridX = 1;
    double powerlineGridY = 1;
};

// The light line thickness: the underline's, a little heavier, and never under one pixel per point.
int customGlyphBaseThickness(double scale, double underlineThickness);

// Paints the row's block elements, box drawing and powerline items over its text. Each cell is a whole
// number of device pixels wide and tall, starting at the row's origin rounded to a pixel, so neighbouring
// cells meet without a seam.
void paintCustomGlyphRow(QPainter& painter, const ViewLineInfo& info, const CustomGlyphRowMetrics& metrics);

} // namespace zentrova
