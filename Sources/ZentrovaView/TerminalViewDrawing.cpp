// Drawing: the rows under a dirty rectangle painted with their backgrounds, images, text and
// decorations, and the partial strip below the last whole row.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/Gpu/MetalSurface.h"

#include "ZentrovaView/AppleImage.h"
#include "ZentrovaView/CellGlyphShaper.h"
#include "ZentrovaView/CustomGlyphs/CustomGlyphRowPainter.h"
#include "ZentrovaView/KittyPlaceholderImages.h"
#include "ZentrovaView/RowDrawingBuffers.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

using Images = std::vector<const AppleImage*>;

// Kitty strips draw in z-order, ties by image id (a missing id counting as 0), otherwise as listed.
void sortByZIndex(Images& images)
{
    std::stable_sort(images.begin(), images.end(), [](const AppleImage* a, const AppleImage* b) {
        if (a->kittyZIndex != b->kittyZIndex)
            return a->kittyZIndex < b->kittyZIndex;
        return a->kittyImageId.value_or(0) < b->kittyImageId.value_or(0);
    });
}

// Double-width rows stretch sideways; double-height rows show one half of text drawn twice as large,
// scaled about the row's top (upper half) or bottom edge (lower half) and clipped to the row.
void applyRenderMode(QPainter& painter, BufferLine::RenderLineMode mode, const QRectF& rowRect)
{
    using Mode = BufferLine::RenderLineMode;
    switch (mode) {
    case Mode::single:
        return;
    case Mode::doubleWidth:
        painter.scale(2, 1);
        return;
    case Mode::doubledTop:
    case Mode::doubledDown: {
        painter.setClipRect(rowRect, Qt::IntersectClip);
        const double edge = mode == Mode::doubledTop ? rowRect.top() : rowRect.bottom();
        painter.translate(0, edge);
        painter.scale(2, 2);
        painter.translate(0, -edge);
        return;
    }
    }
}

} // namespace

void TerminalView::paintEvent(QPaintEvent* event)
{
    // The GPU surface draws everything while it exists.
    if (m_metalView)
        return;
    QPainter painter(this);
    if (paintCaretBackdrop(painter, event->region()))
        return;
    drawTerminalContents(event->rect(), painter, m_terminal->buffer().yDisp());
    noteShownInk(event->region());
    if (event->region().intersects(m_caretBackdropBox))
        m_caretBackdrop = QPixmap();
}

const QRawFont& TerminalView::rawFont(FontVariant variant)
{
    auto& cached = m_rawFonts[size_t(variant)];
    if (!cached)
        cached = QRawFont::fromFont(m_fontSet.font(variant));
    return *cached;
}

double TerminalView::backingScale() const
{
    const double scale = devicePixelRatioF();
    return scale > 0 ? scale : 1;
}

void TerminalView::drawTerminalContents(const QRectF& dirtyRect, QPainter& painter, int bufferOffset)
{
    if (!m_cellDimension)
        return;
    const CellGeometry cells = cellGeometry();
    Buffer& buffer = m_terminal->buffer();
    const int lineCount = buffer.lines().count();
    const int first = bufferOffset + std::max(cells.rowAt(dirtyRect.top()), 0);
    const int last = bufferOffset + cells.rowAt(dirtyRect.bottom());
    const QFontMetricsF metrics(m_fontSet.normal);
    if (!m_rowDrawing)
        m_rowDrawing = std::make_unique<RowDrawingBuffers>();
    KittyPlaceholderImages placeholderImages(*m_terminal);
    // Every row sets the hints and pens it draws with, so one save serves them all; only a row drawn
    // stretched or doubled needs its own, for its transform and clip.
    painter.save();
    for (int row = std::max(first, 0); row <= last && row < lineCount; row++) {
        const BufferLine& line = buffer.line(row);
        const QRectF rowRect(0, cells.rowTop(row - bufferOffset), width(), cells.cellSize().height());
        const bool transformed = line.renderMode() != BufferLine::RenderLineMode::single;
        if (transformed) {
            painter.save();
            applyRenderMode(painter, line.renderMode(), rowRect);
        }
        drawRow(painter, row, line, rowRect, metrics, placeholderImages);
        if (transformed)
            painter.restore();
    }
    painter.restore();
    const double cellHeight = cells.cellSize().height();
    const double strip = std::fmod(double(height()), cellHeight);
    const QRectF bottomStrip(0, height() - strip, width(), strip);
    if (strip > 0 && dirtyRect.intersects(bottomStrip))
        painter.fillRect(bottomStrip, effectiveNativeBackgroundColor());
}

void TerminalView::drawRow(QPainter& painter, int row, const BufferLine& line, const QRectF& rowRect,
                           const QFontMetricsF& metrics, KittyPlaceholderImages& placeholderImages)
{
    const ViewLineInfo& info = m_rowDrawing->layout;
    buildAttributedString(row, line, m_terminal->cols, m_rowDrawing->layout);
    const double cellWidth = m_cellDimension->width();
    const double baseline = rowRect.bottom() - std::ceil(metrics.descent() + metrics.leading());

    Images kittyBelow;
    Images kittyAbove;
    Images others;
    if (info.images) {
        for (const auto& image : *info.images) {
            const auto* strip = dynamic_cast<const AppleImage*>(image.get());
            if (!strip)
                continue;
            if (!strip->kittyIsKitty)
                others.push_back(strip);
            else
                (strip->kittyZIndex < 0 ? kittyBelow : kittyAbove).push_back(strip);
        }
        sortByZIndex(kittyBelow);
        sortByZIndex(kittyAbove);
    }

    // Backgrounds: only what differs from the default background, which the widget already shows.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor defaultBackground = effectiveNativeBackgroundColor();
    for (const ViewLineSegment& segment : info.segments) {
        for (const ViewLineRun& run : segment.runs) {
            const QColor& background = run.style.selectionBackground ? *run.style.selectionBackground
                                                                     : run.style.background;
            if (run.length < 1 || background == defaultBackground)
                continue;
            const int firstColumn = segment.cellColumn(segment.cellOrdinal(run.start));
            const int lastColumn = segment.cellColumn(segment.cellOrdinal(run.start + run.length - 1));
            // A wide cell's background covers both its columns.
            painter.fillRect(QRectF(cellWidth * firstColumn, rowRect.top(),
                                    cellWidth * (lastColumn + segment.columnWidth - firstColumn), rowRect.height()),
                             background);
        }
    }

    drawImages(painter, kittyBelow, rowRect);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const ViewLineSegment& segment : info.segments) {
        for (const ViewLineRun& run : segment.runs)
            drawRun(painter, segment, run, baseline);
    }
    const double scale = backingScale();
    const BufferLine::RenderLineMode mode = line.renderMode();
    const bool doubledHeight = mode == BufferLine::RenderLineMode::doubledTop
        || mode == BufferLine::RenderLineMode::doubledDown;
    paintCustomGlyphRow(painter, info,
                        { rowRect, cellWidth, scale, customGlyphBaseThickness(scale, metrics.lineWidth()),
                          m_antiAliasCustomBlockGlyphs, mode == BufferLine::RenderLineMode::single ? 1 : 0.5,
                          doubledHeight ? 0.5 : 1 });

    drawPlaceholderImages(painter, info.placeholders, rowRect, placeholderImages);
    drawImages(painter, kittyAbove, rowRect);
    drawImages(painter, others, rowRect);
}

void TerminalView::drawPlaceholderImages(QPainter& painter, const std::vector<KittyPlaceholderCell>& cells,
                                         const QRectF& rowRect, KittyPlaceholderImages& placeholderImages)
{
    const QSizeF cell = *m_cellDimension;
    const double scale = backingScale();
    for (const KittyPlaceholderCell& placeholder : cells) {
        const KittyPlacementRecord* placement = placeholderImages.placement(placeholder);
        if (!placement)
            continue;
        // The whole placement, positioned so that this cell is its (row, column) piece; y points down.
        const QRectF whole(placement->pixelOffsetX / scale + cell.width() * (placeholder.col - placeholder.placeholderCol),
                           placement->pixelOffsetY / scale + rowRect.top() - cell.height() * placeholder.placeholderRow,
                           cell.width() * placement->cols, cell.height() * placement->rows);
        const QImage* image = placeholderImages.image(placeholder.imageId);
        if (!image || whole.width() <= 0 || whole.height() <= 0)
            continue;
        painter.save();
        painter.setClipRect(QRectF(cell.width() * placeholder.col, rowRect.top(), cell.width(), rowRect.height()));
        painter.drawImage(kittyAspectFitRect(QSizeF(image->size()), whole), *image);
        painter.restore();
    }
}

namespace {

// Units start...end of a run without the cells at either end that are a lone space, which no face
// draws anything for (the blank rest of most rows). Cells of several units stay whole.
std::pair<int, int> withoutBlankEnds(const ViewLineSegment& segment, int start, int end)
{
    const auto loneSpace = [&](int index) {
        const int ordinal = segment.cellOrdinal(index);
        return segment.text[index] == u' ' && (index == start || segment.cellOrdinal(index - 1) != ordinal)
            && (index + 1 == end || segment.cellOrdinal(index + 1) != ordinal);
    };
    while (end > start && loneSpace(end - 1))
        end--;
    while (start < end && loneSpace(start))
        start++;
    return { start, end };
}

} // namespace

void TerminalView::drawRun(QPainter& painter, const ViewLineSegment& segment, const ViewLineRun& run, double baseline)
{
    const CellStyle& style = run.style;
    if (style.foreground.alpha() != 0)
        drawRunGlyphs(painter, segment, run, baseline);
    if (style.underlineStyle || style.strikethroughStyle)
        drawRunAttributes(painter, segment, run, baseline);
}

void TerminalView::drawRunGlyphs(QPainter& painter, const ViewLineSegment& segment, const ViewLineRun& run,
                                 double baseline)
{
    if (run.start < 0)
        return;
    const auto [start, end]
        = withoutBlankEnds(segment, run.start, std::min<int>(run.start + run.length, int(segment.text.size())));
    if (start >= end)
        return;
    const CellStyle& style = run.style;
    const double cellWidth = m_cellDimension->width();
    RowDrawingBuffers& storage = *m_rowDrawing;
    CellGlyphShaper::shape(segment, start, end - start, m_fontSet.font(style.font), rawFont(style.font),
                           style.directionOverride.has_value(), storage.glyphRuns);
    painter.setPen(style.foreground);
    std::vector<QPointF>& positions = storage.positions;
    std::vector<GlyphSlotFit>& fits = storage.fits;
    QGlyphRun& drawn = storage.drawn;
    for (const CellGlyphRun& glyphs : storage.glyphRuns) {
        const int count = int(glyphs.glyphs.size());
        positions.clear();
        fits.clear();
        bool allFit = true;
        for (int i = 0; i < count; i++) {
            const GlyphSlotFit fit = segment.columnWidth > 1
                ? glyphSlotFit(glyphs.font, glyphs.glyphs[i], segment.columnWidth)
                : GlyphSlotFit {};
            allFit = allFit && fit.scale == 1;
            fits.push_back(fit);
            const double x = cellWidth * segment.cellColumn(glyphs.ordinals[i]) + glyphs.offsets[i].x() + fit.dx;
            positions.push_back({ x, baseline + glyphs.offsets[i].y() + fit.dy });
        }
        if (allFit) {
            drawn.setRawFont(glyphs.font);
            drawn.setRawData(glyphs.glyphs.constData(), positions.data(), count);
            painter.drawGlyphRun(QPointF(), drawn);
            continue;
        }
        // A glyph that overflows its slot is drawn alone, from a smaller copy of its face.
        for (int i = 0; i < count; i++) {
            QRawFont font = glyphs.font;
            if (fits[size_t(i)].scale != 1)
                font.setPixelSize(font.pixelSize() * fits[size_t(i)].scale);
            drawn.setRawFont(font);
            drawn.setRawData(glyphs.glyphs.constData() + i, positions.data() + i, 1);
            painter.drawGlyphRun(QPointF(), drawn);
        }
    }
}

void TerminalView::drawImages(QPainter& painter, const std::vector<const AppleImage*>& images, const QRectF& rowRect)
{
    const double cellWidth = m_cellDimension->width();
    const double scale = backingScale();
    for (const AppleImage* strip : images) {
        QPointF origin(cellWidth * strip->col(), rowRect.top());
        if (strip->kittyIsKitty)
            origin += QPointF(strip->kittyPixelOffsetX / scale, strip->kittyPixelOffsetY / scale);
        painter.drawImage(QRectF(origin, QSizeF(strip->pixelWidth(), strip->pixelHeight())), strip->image);
    }
}

} // namespace zentrova
