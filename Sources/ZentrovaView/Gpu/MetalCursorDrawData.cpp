// The cursor drawn by the renderer itself: its shape in the caret colour and, under a block, the
// character in the caret text colour.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Screen/UnicodeUtil.h"
#include "ZentrovaView/CustomGlyphs/PowerlineGeometry.h"
#include "ZentrovaView/TerminalView.h"

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

bool isBlinkingStyle(CursorStyle style)
{
    return style == CursorStyle::blinkBlock || style == CursorStyle::blinkUnderline || style == CursorStyle::blinkBar;
}

bool isBlockStyle(CursorStyle style)
{
    return style == CursorStyle::blinkBlock || style == CursorStyle::steadyBlock;
}

bool isUnderlineStyle(CursorStyle style)
{
    return style == CursorStyle::blinkUnderline || style == CursorStyle::steadyUnderline;
}

} // namespace

void MetalTerminalRenderer::buildCursorDrawData(CursorDrawData& out, double scale, double cellWidth, double cellHeight,
                                                double lineDescent, double lineLeading, int yDisp, int firstRow,
                                                int lastRow)
{
    out.colorVertices.clear();
    out.glyphVerticesGray.clear();
    out.glyphVerticesColor.clear();
    TerminalView* view = m_terminalView.data();
    if (!view)
        return;
    Terminal& terminal = view->terminal();
    Buffer& buffer = terminal.buffer();
    const int row = buffer.y() + buffer.yBase();
    const int column = buffer.x();
    if (terminal.cursorHidden || row < firstRow || row > lastRow || row >= buffer.lines().count() || column < 0
        || column >= terminal.cols)
        return;

    const CursorStyle style = terminal.options.cursorStyle;
    const bool focused = !view->caretViewTracksFocus() || view->hasFocus();
    if (focused && isBlinkingStyle(style) && !m_cursorBlinkOn)
        return;

    const BufferLine& line = buffer.line(row);
    // The cursor stands where its cell is shown, which a right-to-left row moves.
    int visualColumn = column;
    if (view->bidiHostPolicy() == BidiHostPolicy::respectTerminal) {
        const auto layout = view->bidiLayout(row, line, terminal.cols);
        if (layout && size_t(column) < layout->logicalToVisualCol.size())
            visualColumn = layout->logicalToVisualCol[size_t(column)];
    }
    const CharData& cell = line[column];
    const int factor = line.renderMode() == BufferLine::RenderLineMode::single ? 1 : 2;
    const double rowBottom = view->height() - cellHeight * (row - yDisp + 1);
    const double y0 = scale * rowBottom;
    const double y1 = y0 + scale * cellHeight;
    const double x0 = scale * cellWidth * visualColumn * factor;
    const double x1 = x0 + std::max(1, cell.width()) * scale * cellWidth * factor;
    const std::array<float, 4> caret = colorToSIMD(view->effectiveCaretColor());

    if (!focused) {
        const double t = std::max(1.5 * scale, 1.0);
        appendColorQuad(out.colorVertices, x0, y0, x1, y0 + t, caret);
        appendColorQuad(out.colorVertices, x0, y1 - t, x1, y1, caret);
        appendColorQuad(out.colorVertices, x0, y0, x0 + t, y1, caret);
        appendColorQuad(out.colorVertices, x1 - t, y0, x1, y1, caret);
        return;
    }
    if (!isBlockStyle(style)) {
        const double t = std::max(2 * scale, 1.0);
        if (isUnderlineStyle(style))
            appendColorQuad(out.colorVertices, x0, y0, x1, y0 + t, caret);
        else
            appendColorQuad(out.colorVertices, x0, y0, x0 + t, y1, caret);
        return;
    }
    appendColorQuad(out.colorVertices, x0, y0, x1, y1, caret);

    // The character under the block, unless it blinks and is in its hidden phase.
    if (!view->textBlinkVisible() && cell.attribute().style.contains(CharacterStyle::blink))
        return;
    const std::array<float, 4> caretText = colorToSIMD(view->effectiveCaretTextColor());
    if (view->customBlockGlyphs() && PowerlineRenderer::glyph(cell.code())) {
        const std::optional<CustomGlyphEntry> entry =
            customGlyphEntry(cell.code(), std::max(1, int(std::lround(x1 - x0))),
                             std::max(1, int(std::lround(scale * cellHeight))), scale, 0, true);
        if (!entry)
            return;
        const double side = m_grayscaleAtlas->size();
        const PixelQuad quad { x0,
                               y0,
                               x0 + entry->size.width,
                               y0 + entry->size.height,
                               entry->region.x / side,
                               entry->region.y / side,
                               (entry->region.x + entry->region.width) / side,
                               (entry->region.y + entry->region.height) / side };
        if (const auto clipped = clipRect(quad, x0, y0, x1, y1))
            appendGlyphQuad(out.glyphVerticesGray, *clipped, caretText);
        return;
    }

    const QString text = QString::fromStdString(UnicodeUtil::textPresentationAdjusted(terminal.getCharacter(cell.code())));
    if (text.trimmed().isEmpty())
        return;
    const CellStyle textStyle =
        view->getAttributedValue(cell.attribute(), view->effectiveCaretColor(), view->effectiveCaretTextColor());
    // The whole text is one cell: its glyphs keep their places from the cell's origin.
    std::vector<int> oneCell;
    if (text.size() > 1)
        oneCell.assign(size_t(text.size()), 0);
    // The face's name is text made anew on every call: kept with the face it came from.
    const QRawFont rawFont = view->rawFont(textStyle.font);
    if (!m_cursorRawFont || *m_cursorRawFont != rawFont) {
        m_cursorRawFont = rawFont;
        m_cursorFontName = rawFontName(rawFont);
    }
    const std::shared_ptr<const ShaperRun> shaped =
        m_shaperCache.shape(text, oneCell, view->fontSet().font(textStyle.font), rawFont, m_cursorFontName);
    if (!shaped)
        return;
    const double baseline = std::ceil(lineDescent + lineLeading) + rowBottom;
    for (const ShaperGlyphRun& glyphs : shaped->glyphRuns) {
        const ScaledFont& scaled = scaledFontFor(glyphs.font, glyphs.fontName, scale);
        for (size_t i = 0; i < glyphs.glyphs.size(); i++) {
            const std::optional<GlyphEntry> entry = glyphEntry(scaled, glyphs.glyphs[i]);
            if (!entry || entry->size.width <= 0 || entry->size.height <= 0)
                continue;
            const GlyphSlotFit fit = view->glyphSlotFit(glyphs.font, glyphs.glyphs[i], std::max(1, cell.width()));
            const QPointF offset = glyphs.positions[i];
            const double gx = x0 + scale * (fit.dx + offset.x()) + entry->bearing.x * fit.scale;
            const double gy = scale * (baseline - fit.dy - offset.y()) + entry->bearing.y * fit.scale;
            const bool inColor = entry->atlasKind == GlyphAtlasKind::color;
            const double side = inColor ? m_colorAtlas->size() : m_grayscaleAtlas->size();
            const PixelQuad quad { gx,
                                   gy,
                                   gx + entry->size.width * fit.scale,
                                   gy + entry->size.height * fit.scale,
                                   entry->region.x / side,
                                   entry->region.y / side,
                                   (entry->region.x + entry->region.width) / side,
                                   (entry->region.y + entry->region.height) / side };
            const auto clipped = clipRect(quad, x0, y0, x1, y1);
            if (!clipped)
                continue;
            if (inColor)
                appendGlyphQuad(out.glyphVerticesColor, *clipped, { 1, 1, 1, 1 });
            else
                appendGlyphQuad(out.glyphVerticesGray, *clipped, caretText);
        }
    }
}

} // namespace zentrova
