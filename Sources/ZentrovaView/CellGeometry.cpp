#include "ZentrovaView/CellGeometry.h"

#include <cmath>

namespace zentrova {

int CellGeometry::rowAt(double y) const
{
    return int(std::floor(y / m_cell.height()));
}

int CellGeometry::columnAt(double x) const
{
    return int(std::floor(x / m_cell.width()));
}

QRectF CellGeometry::cellRect(int column, int row, int columns) const
{
    return { m_cell.width() * column, rowTop(row), m_cell.width() * columns, m_cell.height() };
}

QRectF CellGeometry::rowsRect(int first, int last, double width) const
{
    return { 0, rowTop(first), width, rowBottom(last) - rowTop(first) };
}

int CellGeometry::columnsIn(double width) const
{
    return width > 0 ? int(width / m_cell.width()) : 0;
}

int CellGeometry::rowsIn(double height) const
{
    return height > 0 ? int(height / m_cell.height()) : 0;
}

} // namespace zentrova
