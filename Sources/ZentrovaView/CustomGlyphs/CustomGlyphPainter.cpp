#include "CustomGlyphPainter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace zentrova {

void CustomGlyphPainter::paintBlockElement(QPainter& painter, QPointF origin, const std::vector<BlockElementRect>& rects,
                                           QSizeF slotPx, const QColor& color, bool antiAlias)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, antiAlias);
    for (const GlyphPixelRect& rect : blockElementPixelRects(rects, slotPx.width(), slotPx.height(), !antiAlias)) {
        QColor fill = color;
        fill.setAlphaF(static_cast<float>(std::min(color.alphaF() * rect.alpha, 1.0)));
        painter.fillRect(QRectF(origin.x() + rect.x0, origin.y() + rect.y0, rect.x1 - rect.x0, rect.y1 - rect.y0),
                         fill);
    }
    painter.restore();
}

void CustomGlyphPainter::paintBoxDrawing(QPainter& painter, QPointF origin, const BoxDrawingShape& shape,
                                         const QColor& color)
{
    painter.save();
    painter.translate(origin);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const PixelBox& box : shape.boxes)
        painter.fillRect(QRect(box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0), color);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (shape.arc) {
        const BoxArc& arc = *shape.arc;
        QPainterPath ring;
        ring.setFillRule(Qt::OddEvenFill);
        ring.addEllipse(QPointF(arc.centreX, arc.centreY), arc.outerRadius, arc.outerRadius);
        if (arc.innerRadius > 0)
            ring.addEllipse(QPointF(arc.centreX, arc.centreY), arc.innerRadius, arc.innerRadius);
        QPainterPath quadrant;
        quadrant.addRect(QRectF(QPointF(arc.clip.x0, arc.clip.y0), QPointF(arc.clip.x1, arc.clip.y1)));
        painter.fillPath(ring.intersected(quadrant), color);
    }
    for (const BoxDiagonal& line : shape.diagonals) {
        painter.setPen(QPen(color, line.width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(line.x0, line.y0), QPointF(line.x1, line.y1));
    }
    painter.restore();
}

void CustomGlyphPainter::paintPowerline(QPainter& painter, const PowerlineShape& shape, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const GlyphPixelRect& seam = shape.seam;
    painter.fillRect(QRectF(QPointF(seam.x0, seam.y0), QPointF(seam.x1, seam.y1)), color);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.moveTo(shape.baseX, shape.top);
    if (shape.rounded) {
        path.cubicTo(shape.controlX, shape.top, shape.controlX, shape.bottom, shape.baseX, shape.bottom);
    } else {
        path.lineTo(shape.tipX, shape.tipY);
        path.lineTo(shape.baseX, shape.bottom);
    }
    path.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(path, color);
    painter.restore();
}

bool isCustomGlyph(std::uint32_t codePoint)
{
    return (codePoint >= 0x2500 && codePoint <= 0x259F) || PowerlineRenderer::glyph(codePoint).has_value();
}

QImage renderCustomGlyph(const CustomGlyphRequest& request)
{
    if (!isCustomGlyph(request.codePoint) || request.cellPx.isEmpty())
        return {};
    const int columns = std::max(request.columnWidth, 1);
    const QSize slot(request.cellPx.width() * columns, request.cellPx.height());
    QImage image(slot, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(request.devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The image's own ratio scales logical units; undo it so the painters address device pixels.
    painter.scale(1 / request.devicePixelRatio, 1 / request.devicePixelRatio);
    if (const std::vector<BlockElementRect>* rects = BlockElementMapping::rects(request.codePoint)) {
        CustomGlyphPainter::paintBlockElement(painter, {}, *rects, QSizeF(slot), request.color,
                                              request.antiAliasBlocks);
    } else if (const std::optional<PowerlineGlyph> glyph = PowerlineRenderer::glyph(request.codePoint)) {
        CustomGlyphPainter::paintPowerline(
            painter, PowerlineRenderer::shape(*glyph, 0, 0, slot.width(), slot.height(), 1, 1), request.color);
    } else if (const std::optional<BoxDrawingShape> shape =
                   boxDrawingShape(request.codePoint, slot.width(), slot.height(), request.devicePixelRatio,
                                   request.baseThicknessPx)) {
        CustomGlyphPainter::paintBoxDrawing(painter, {}, *shape, request.color);
    }
    return image;
}

} // namespace zentrova
