#pragma once

#include "ZentrovaView/CellGlyphShaper.h"
#include "ZentrovaView/GlyphSlotFit.h"
#include "ZentrovaView/ViewLineInfo.h"

#include <QGlyphRun>
#include <QPointF>

#include <vector>

namespace zentrova {

// What the painter needs for every row and run it draws, kept by the view from paint to paint so that
// a warm paint allocates nothing for it. Each member is refilled whole before it is read.
struct RowDrawingBuffers {
    // The row being drawn, laid out.
    ViewLineInfo layout;
    // The glyphs of the run being drawn, their places and how they fit their slots.
    std::vector<CellGlyphRun> glyphRuns;
    std::vector<QPointF> positions;
    std::vector<GlyphSlotFit> fits;
    // Points into `glyphRuns` and `positions` while one is drawn.
    QGlyphRun drawn;
};

} // namespace zentrova
