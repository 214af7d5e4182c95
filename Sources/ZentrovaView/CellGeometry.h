#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace zentrova {

// Where cells sit in the view, in logical pixels with y growing downwards: screen row r spans
// r × cellHeight to (r + 1) × cellHeight from the top, and any height left below the last whole row is
// a partial strip. This is the one place that turns rows into y and back; drawing, the caret, hit
// testing, input-method rectangles and overlays all go through it.
class CellGeometry {
public:
    explicit CellGeometry(QSizeF cellSize)
        : m_cell(cellSize)
    {
    }

    QSizeF cellSize() const { return m_cell; }

    double rowTop(int row) const { return m_cell.height() * row; }
    double rowBottom(int row) const { return m_cell.height() * (row + 1); }
    // The row and column under a point; they may lie outside the grid (negative or past its end).
    int rowAt(double y) const;
    int columnAt(double x) const;
    QPoint cellAt(QPointF point) const { return { columnAt(point.x()), rowAt(point.y()) }; }

    // The rectangle of `columns` cells from (column, row).
    QRectF cellRect(int column, int row, int columns = 1) const;
    // Rows first...last across a width.
    QRectF rowsRect(int first, int last, double width) const;

    // Whole cells that fit in a size (negative sizes give none).
    int columnsIn(double width) const;
    int rowsIn(double height) const;

private:
    QSizeF m_cell;
};

} // namespace zentrova
