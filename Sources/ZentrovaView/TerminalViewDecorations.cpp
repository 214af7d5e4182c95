// Underlines (five styles) and strike-through lines under and across the cells of a run.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Screen/UnderlineStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace zentrova {
namespace {

// The cell's own style when the run carries a valid one, else read from the platform number.
UnderlineStyle underlineStyleOf(const CellStyle& style)
{
    if (style.zentrovaUnderlineStyle) {
        if (const auto own = underlineStyleFromRawValue(*style.zentrovaUnderlineStyle))
            return *own;
    }
    const int value = style.underlineStyle;
    if (value == 0)
        return UnderlineStyle::none;
    if ((value & 0xFF) == (platformUnderlineDouble & 0xFF))
        return UnderlineStyle::double_;
    if (value & platformUnderlinePatternDot)
        return UnderlineStyle::dotted;
    // The dash and dash-dot-dot patterns.
    if (value & (platformUnderlinePatternDash | 0x400))
        return UnderlineStyle::dashed;
    return UnderlineStyle::single;
}

// A horizontal line of `thickness` centred on y, from x to x + length, with a dash pattern (on, off,
// in logical pixels) when one is given.
void drawLine(QPainter& painter, const QColor& color, double x, double y, double length, double thickness,
              const QList<double>& dashes = {}, Qt::PenCapStyle cap = Qt::FlatCap)
{
    QPen pen(color, thickness, Qt::SolidLine, cap);
    if (!dashes.isEmpty()) {
        QList<double> inPenWidths;
        for (const double dash : dashes)
            inPenWidths.push_back(dash / thickness);
        pen.setDashPattern(inPenWidths);
    }
    painter.setPen(pen);
    painter.drawLine(QPointF(x, y), QPointF(x + length, y));
}

} // namespace

void TerminalView::drawRunAttributes(QPainter& painter, const ViewLineSegment& segment, const ViewLineRun& run,
                                     double baseline)
{
    const CellStyle& style = run.style;
    const double scale = backingScale();
    const double cellWidth = m_cellDimension->width();
    const QFontMetricsF normal(m_fontSet.normal);
    const int firstOrdinal = segment.cellOrdinal(run.start);
    const int lastOrdinal = segment.cellOrdinal(run.start + run.length - 1);
    // Each cell gets its own piece across all its columns, so wide cells are covered whole.
    const double cellSpan = std::ceil(cellWidth * segment.columnWidth);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);

    const UnderlineStyle underline = underlineStyleOf(style);
    if (underline != UnderlineStyle::none) {
        const QColor color = style.underlineColor.value_or(effectiveNativeForegroundColor());
        // Qt measures the underline's position downwards from the baseline.
        const double y = baseline + normal.underlinePos();
        const double u = std::max(std::round(scale * normal.lineWidth()) / scale, 0.5);
        const double w = std::max(u, 1.0);
        for (int ordinal = firstOrdinal; ordinal <= lastOrdinal; ordinal++) {
            const double x = cellWidth * segment.cellColumn(ordinal);
            switch (underline) {
            case UnderlineStyle::none:
                break;
            case UnderlineStyle::single:
                drawLine(painter, color, x, y, cellSpan, u);
                break;
            case UnderlineStyle::double_:
                drawLine(painter, color, x, y, cellSpan, u);
                drawLine(painter, color, x, y + u + 1, cellSpan, u);
                break;
            case UnderlineStyle::curly: {
                // The wave's phase follows x, so neighbouring cells join into one wave.
                const double wavelength = std::max(4 * u, 4.0);
                QPainterPath wave;
                for (double at = x; at <= x + cellSpan + 0.001; at += w) {
                    const QPointF point(at, y + w * std::sin(2 * M_PI * at / wavelength));
                    if (wave.elementCount() == 0)
                        wave.moveTo(point);
                    else
                        wave.lineTo(point);
                }
                painter.setRenderHint(QPainter::Antialiasing, true);
                painter.strokePath(wave, QPen(color, u));
                painter.setRenderHint(QPainter::Antialiasing, false);
                break;
            }
            case UnderlineStyle::dotted:
                drawLine(painter, color, x, y, cellSpan, w, { w, 2 * w }, Qt::RoundCap);
                break;
            case UnderlineStyle::dashed: {
                const double dash = std::max(2 * u, 2.0);
                drawLine(painter, color, x, y, cellSpan, u, { dash, dash });
                break;
            }
            }
        }
    }

    if (style.strikethroughStyle) {
        const QColor color = style.strikethroughColor.value_or(effectiveNativeForegroundColor());
        const QFontMetricsF metrics(m_fontSet.font(style.font));
        const double thickness = std::max(std::round(scale * metrics.lineWidth()) / scale, 0.5);
        const double y = baseline - (metrics.xHeight() + thickness) / 2;
        for (int ordinal = firstOrdinal; ordinal <= lastOrdinal; ordinal++)
            drawLine(painter, color, cellWidth * segment.cellColumn(ordinal), y, cellSpan, thickness);
    }
    painter.restore();
}

} // namespace zentrova
