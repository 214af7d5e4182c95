// One row's draw data: custom glyphs, backgrounds, glyphs and decorations (images are in
// MetalImageDraws.cpp). All geometry is in device pixels with y growing upwards from the view's
// bottom edge, as the framebuffer has it.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "Zentrova/Screen/Buffer.h"
#include "ZentrovaView/CustomGlyphs/CustomGlyphRowPainter.h"
#include "ZentrovaView/CustomGlyphs/PowerlineGeometry.h"
#include "ZentrovaView/Gpu/UnderlineGeometry.h"
#include "ZentrovaView/TerminalView.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

ColorCell colorCell(const PixelQuad& quad, const std::array<float, 4>& color)
{
    return { { float(quad.x0), float(quad.y0) }, { float(quad.x1 - quad.x0), float(quad.y1 - quad.y0) }, color };
}

std::optional<DecorationClip> decorationClip(const RowTransform& transform)
{
    if (!transform.clipped)
        return std::nullopt;
    return DecorationClip { float(transform.clipMinX), float(transform.clipMinY), float(transform.clipMaxX),
                            float(transform.clipMaxY) };
}

// The cell a glyph belongs to: its run's start plus its index, through the segment's map.
int glyphCellColumn(const ViewLineSegment& segment, const ShapedRun& run, int stringIndex)
{
    return segment.cellColumn(segment.cellOrdinal(run.utf16Offset + stringIndex));
}

} // namespace

RowDrawData MetalTerminalRenderer::buildRowDrawData(int row, Buffer& buffer, int yDisp, double cellWidth,
                                                    double cellHeight, double yOffset, double viewWidthPx,
                                                    double scale, const VirtualPlacements& virtualPlacementsByImageId)
{
    RowDrawData out;
    buildRowDrawData(row, buffer, yDisp, cellWidth, cellHeight, yOffset, viewWidthPx, scale, virtualPlacementsByImageId,
                     out);
    return out;
}

void MetalTerminalRenderer::buildRowDrawData(int row, Buffer& buffer, int yDisp, double cellWidth, double cellHeight,
                                             double yOffset, double viewWidthPx, double scale,
                                             const VirtualPlacements& virtualPlacementsByImageId, RowDrawData& out)
{
    out.clear();
    TerminalView* view = m_terminalView.data();
    if (!view || row < 0 || row >= buffer.lines().count())
        return;
    const BufferLine& line = buffer.line(row);

    RowGeometry geometry;
    geometry.scale = scale;
    geometry.cellWidth = cellWidth;
    geometry.cellHeight = cellHeight;
    geometry.yOffset = yOffset;
    geometry.rowBottom = view->height() - cellHeight * (row - yDisp + 1);
    geometry.rowBottomPx = scale * geometry.rowBottom;
    geometry.rowTopPx = scale * cellHeight + geometry.rowBottomPx;
    geometry.cellWidthPx = std::max(1, int(std::lround(cellWidth * scale)));
    geometry.cellHeightPx = std::max(1, int(std::lround(cellHeight * scale)));
    geometry.cols = buffer.cols();
    geometry.transform = rowTransform(line.renderMode(), geometry.rowBottomPx, geometry.rowTopPx, viewWidthPx);

    view->buildAttributedString(row, line, view->terminal().cols, m_rowLayout);
    const std::span<const ShapedSegment> segments = buildShapedSegments(m_rowLayout.segments);
    appendCustomGlyphs(m_rowLayout, geometry, out);
    appendBackgrounds(segments, geometry, out);
    appendGlyphs(segments, geometry, out);
    appendDecorations(segments, geometry, out);
    appendImages(m_rowLayout, geometry, out);
    appendPlaceholderImages(m_rowLayout, geometry, virtualPlacementsByImageId, out);
}

std::optional<TextCell> MetalTerminalRenderer::atlasCell(PixelQuad quad, const AtlasRegion& region,
                                                         const GlyphAtlas& atlas, const RowTransform& transform,
                                                         const std::array<float, 4>& color) const
{
    // Atlas row r is texture row r and bitmaps are stored bottom row first, so v grows with y.
    const double side = atlas.size();
    quad.u0 = region.x / side;
    quad.v0 = region.y / side;
    quad.u1 = (region.x + region.width) / side;
    quad.v1 = (region.y + region.height) / side;
    const std::optional<PixelQuad> placed = transform.place(quad);
    if (!placed)
        return std::nullopt;
    return TextCell { { float(placed->x0), float(placed->y0) },
                      { float(placed->x1 - placed->x0), float(placed->y1 - placed->y0) },
                      { float(placed->u0), float(placed->v0) },
                      { float(placed->u1 - placed->u0), float(placed->v1 - placed->v0) },
                      color };
}

void MetalTerminalRenderer::appendCustomGlyphs(const ViewLineInfo& info, const RowGeometry& row, RowDrawData& out)
{
    if (info.boxDrawings.empty() && info.blockElements.empty() && info.powerlines.empty())
        return;
    TerminalView& view = *m_terminalView;
    const double scale = row.scale;
    const double lineWidth = QFontMetricsF(view.fontSet().normal).lineWidth();
    const int baseThicknessPx = customGlyphBaseThickness(scale, lineWidth);
    const bool antiAliasBlocks = view.antiAliasCustomBlockGlyphs();
    const double bottom = std::round(row.rowBottomPx);

    auto append = [&](uint32_t codePoint, int bitmapWidth, int baseThickness, bool antiAlias, PixelQuad quad,
                      bool quadFromEntry, const QColor& color) -> std::optional<PixelQuad> {
        const std::optional<CustomGlyphEntry> entry =
            customGlyphEntry(codePoint, bitmapWidth, row.cellHeightPx, scale, baseThickness, antiAlias);
        if (!entry)
            return std::nullopt;
        if (quadFromEntry) {
            quad.x1 = quad.x0 + entry->size.width;
            quad.y1 = quad.y0 + entry->size.height;
        }
        const std::optional<TextCell> cell =
            atlasCell(quad, entry->region, *m_grayscaleAtlas, row.transform, colorToSIMD(color));
        if (!cell)
            return std::nullopt;
        out.glyphCellsGray.push_back(*cell);
        return quad;
    };

    for (const BoxDrawingRenderItem& item : info.boxDrawings) {
        const int width = row.cellWidthPx * item.columnWidth;
        const double x = double(row.cellWidthPx) * item.column;
        const double height = antiAliasBlocks ? scale * row.cellHeight : double(row.cellHeightPx);
        append(item.codePoint, width, baseThicknessPx, false, { x, bottom, x + width, bottom + height }, false,
               item.foregroundColor);
    }
    for (const BlockElementRenderItem& item : info.blockElements) {
        if (antiAliasBlocks) {
            const int width = std::max(1, int(std::lround(scale * row.cellWidth * item.columnWidth)));
            const double x = scale * row.cellWidth * item.column;
            append(item.codePoint, width, 0, true,
                   { x, row.rowBottomPx, x + scale * row.cellWidth * item.columnWidth,
                     row.rowBottomPx + row.cellHeightPx },
                   false, item.foregroundColor);
        } else {
            const int width = row.cellWidthPx * item.columnWidth;
            const double x = double(row.cellWidthPx) * item.column;
            append(item.codePoint, width, 0, false, { x, bottom, x + width, bottom + row.cellHeightPx }, false,
                   item.foregroundColor);
        }
    }
    for (const PowerlineRenderItem& item : info.powerlines) {
        const int width = row.cellWidthPx * item.columnWidth;
        const double x = double(row.cellWidthPx) * item.column;
        const std::optional<PixelQuad> drawn =
            append(item.codePoint, width, 0, true, { x, bottom, x, bottom }, true, item.foregroundColor);
        if (!drawn)
            continue;
        // The one-pixel strip beside the flat side that joins the separator to its segment.
        const PixelQuad moved = row.transform.transform(*drawn);
        const std::optional<GlyphPixelRect> join =
            PowerlineRenderer::devicePixelJoinRect(item.codePoint, moved.x0, moved.y0, moved.x1, moved.y1);
        if (!join)
            continue;
        PixelQuad joinQuad { join->x0, join->y0, join->x1, join->y1 };
        if (row.transform.clipped) {
            const std::optional<PixelQuad> clipped = clipRect(joinQuad, row.transform.clipMinX, row.transform.clipMinY,
                                                              row.transform.clipMaxX, row.transform.clipMaxY);
            if (!clipped)
                continue;
            joinQuad = *clipped;
        }
        out.powerlineJoinCells.push_back(colorCell(joinQuad, colorToSIMD(item.foregroundColor)));
    }
}

void MetalTerminalRenderer::appendBackgrounds(std::span<const ShapedSegment> segments, const RowGeometry& row,
                                              RowDrawData& out)
{
    const QColor defaultBackground = m_terminalView->effectiveNativeBackgroundColor();
    // An ordinary row's cells are where the cell grid has them.
    const bool onGrid = row.transform.mode == BufferLine::RenderLineMode::single && !row.transform.clipped;
    for (const ShapedSegment& shaped : segments) {
        const ViewLineSegment& segment = *shaped.segment;
        for (const ShapedRun& run : shaped.runs) {
            const CellStyle& style = run.run->style;
            const QColor background = style.selectionBackground.value_or(style.background);
            if (!background.isValid() || background == defaultBackground)
                continue;
            // The run's cells from its first and last unit: every cell it covers, inked or not.
            const int minOrdinal = segment.cellOrdinal(run.run->start);
            const int maxOrdinal = segment.cellOrdinal(run.run->start + run.run->length - 1);
            const double x0 = row.scale * row.cellWidth * (segment.column + segment.columnWidth * minOrdinal);
            const double x1 = row.scale * row.cellWidth * (segment.column + segment.columnWidth * (maxOrdinal + 1));
            const auto placed = row.transform.place({ x0, row.rowBottomPx, x1, row.rowTopPx });
            if (!placed)
                continue;
            out.backgroundCells.push_back(colorCell(*placed, colorToSIMD(background)));
            const int first = segment.column + segment.columnWidth * minOrdinal;
            const int end = segment.column + segment.columnWidth * (maxOrdinal + 1);
            if (onGrid && first >= 0 && first < end && end <= row.cols)
                out.backgroundColumns.emplace_back(first, end);
            else
                out.backgroundColumns.emplace_back(0, 0);
        }
    }
}

void MetalTerminalRenderer::appendGlyphs(std::span<const ShapedSegment> segments, const RowGeometry& row,
                                         RowDrawData& out)
{
    TerminalView& view = *m_terminalView;
    const double scale = row.scale;
    const ScaledFont* scaled = nullptr;
    for (const ShapedSegment& shaped : segments) {
        const ViewLineSegment& segment = *shaped.segment;
        for (const ShapedRun& run : shaped.runs) {
            const QColor foreground = run.run->style.foreground.isValid() ? run.run->style.foreground
                                                                          : view.effectiveNativeForegroundColor();
            if (foreground.alpha() == 0)
                continue;
            const std::array<float, 4> color = colorToSIMD(foreground);
            for (const ShaperGlyphRun& glyphs : run.shaperRun->glyphRuns) {
                // Neighbouring runs mostly share their face: look it up again only when it changes.
                if (!scaled || scaled->name != glyphs.fontName
                    || scaled->font.pixelSize() != glyphs.font.pixelSize() * scale)
                    scaled = &scaledFontFor(glyphs.font, glyphs.fontName, scale);
                for (size_t i = 0; i < glyphs.glyphs.size(); i++) {
                    const std::optional<GlyphEntry> entry = glyphEntry(*scaled, glyphs.glyphs[i]);
                    if (!entry || entry->size.width <= 0 || entry->size.height <= 0)
                        continue;
                    const int cellColumn = glyphCellColumn(segment, run, glyphs.stringIndices[i]);
                    // Positions are from the glyph's cell origin already, so marks keep their spacing.
                    const QPointF offset = glyphs.positions[i];
                    const GlyphSlotFit fit = segment.columnWidth >= 2
                        ? view.glyphSlotFit(glyphs.font, glyphs.glyphs[i], segment.columnWidth)
                        : GlyphSlotFit {};
                    // The shaper's and the fit's y grow downwards; here y grows upwards.
                    const double x0 = scale * (row.cellWidth * cellColumn + offset.x() + fit.dx)
                        + entry->bearing.x * fit.scale;
                    const double y0 = scale * (row.yOffset + row.rowBottom - offset.y() - fit.dy)
                        + entry->bearing.y * fit.scale;
                    const PixelQuad quad { x0, y0, x0 + entry->size.width * fit.scale,
                                           y0 + entry->size.height * fit.scale };
                    const bool inColor = entry->atlasKind == GlyphAtlasKind::color;
                    const std::optional<TextCell> cell =
                        atlasCell(quad, entry->region, inColor ? *m_colorAtlas : *m_grayscaleAtlas, row.transform,
                                  inColor ? std::array<float, 4> { 1, 1, 1, 1 } : color);
                    if (cell)
                        (inColor ? out.glyphCellsColor : out.glyphCellsGray).push_back(*cell);
                }
            }
        }
    }
}

void MetalTerminalRenderer::appendDecorations(std::span<const ShapedSegment> segments, const RowGeometry& row,
                                              RowDrawData& out)
{
    TerminalView& view = *m_terminalView;
    const double scale = row.scale;
    const QFontMetricsF normal(view.fontSet().normal);
    // Qt measures the underline's place downwards from the baseline.
    const double underlinePosition = -normal.underlinePos();
    const double underlineThickness = std::max(0.5, std::round(scale * normal.lineWidth()) / scale);
    DecorationLine line;
    line.patternScale = float(scale);
    line.renderMode = row.transform.mode;
    line.clipRect = decorationClip(row.transform);
    line.pivotY = float(row.transform.pivotY);

    for (const ShapedSegment& shaped : segments) {
        const ViewLineSegment& segment = *shaped.segment;
        for (const ShapedRun& run : shaped.runs) {
            const CellStyle& style = run.run->style;
            if (!style.underlineStyle && !style.strikethroughStyle)
                continue;
            const UnderlineStyle underline = runUnderlineStyle(
                style.zentrovaUnderlineStyle ? std::optional<int>(*style.zentrovaUnderlineStyle) : std::nullopt,
                style.underlineStyle);
            const QColor underlineColor = style.underlineColor.value_or(view.effectiveNativeForegroundColor());
            const QColor strikeColor = style.strikethroughColor.value_or(view.effectiveNativeForegroundColor());
            const QFontMetricsF runMetrics(view.fontSet().font(style.font));
            const double strikeThickness = strikethroughThickness(scale, runMetrics.lineWidth());
            const std::vector<QPointF>& positions = run.shaperRun->positions;
            for (size_t i = 0; i < positions.size(); i++) {
                const int cellColumn = glyphCellColumn(segment, run, run.shaperRun->stringIndices[i]);
                const DecorationSpan span = decorationSpan(row.cellWidth, cellColumn, scale);
                line.x0 = span.x0;
                line.x1 = span.x1;
                const double glyphBase = row.yOffset + row.rowBottom - positions[i].y();
                if (underline != UnderlineStyle::none) {
                    line.thickness = float(underlineThickness * scale);
                    line.color = colorToSIMD(underlineColor);
                    line.style = underline == UnderlineStyle::double_ ? UnderlineStyle::single : underline;
                    for (float center :
                         underlineLineCenters(underline, underlinePosition + glyphBase, underlineThickness, scale)) {
                        line.yCenter = center;
                        appendUnderlineSegments(line, out.decorationCells);
                    }
                }
                if (style.strikethroughStyle) {
                    line.thickness = float(strikeThickness * scale);
                    line.color = colorToSIMD(strikeColor);
                    line.style = resolveStrikethroughStyle(style.strikethroughStyle);
                    for (float center : strikethroughLineCenters(style.strikethroughStyle, runMetrics.xHeight(),
                                                                 strikeThickness, glyphBase, scale)) {
                        line.yCenter = center;
                        appendUnderlineSegments(line, out.decorationCells);
                    }
                }
            }
        }
    }
}

} // namespace zentrova
