// Rectangular editing of the screen: filling, erasing, selectively erasing and copying a rectangle,
// and inserting and deleting columns across the scroll region.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/CsiParameters.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>

namespace zentrova {
namespace {

using csi::count;
using csi::isCollect;
using csi::parameter;

bool isScalar(char32_t code)
{
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

} // namespace

void Terminal::writeRectangleCell(BufferLine& row, int col, const CharData& cell)
{
    // A row can be shorter than the screen is wide; its last cell takes what lies beyond its end, and
    // the row logs the clamp.
    row.setCell(col, cell);
}

void Terminal::fillRectangle(std::span<const int> pars, const CharData& fill, bool characterOnly)
{
    const auto rectangle = getRectangleFromRequest(pars);
    if (!rectangle)
        return;
    const auto [top, left, bottom, right] = *rectangle;
    Buffer& buffer = *m_buffer;
    for (int y = top; y <= bottom; y++) {
        BufferLine& row = buffer.line(y + buffer.yBase());
        for (int col = left; col <= right; col++) {
            CharData cell = fill;
            if (characterOnly) {
                cell = row[col];
                cell.setValue(int32_t(fill.code()), 1);
            }
            writeRectangleCell(row, col, cell);
        }
    }
    updateRange(top);
    updateRange(bottom);
}

void Terminal::csiX(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (!isCollect(collect, "$")) {
        if (!silentLog)
            log(fmt::format("Not implemented CSI x with collect: collect={} and pars={}", collect, pars));
        return;
    }
    // DECFRA: a fill that is no Unicode scalar would make a cell nothing can draw. The cell takes
    // the code printing gives the same character.
    char32_t fill = char32_t(parameter(pars, 0));
    if (!isScalar(fill))
        fill = U' ';
    fillRectangle(pars.empty() ? pars : pars.subspan(1), CharData(curAttr, code(std::u32string_view(&fill, 1)), 1),
                  false);
}

void Terminal::cmdDECERA(std::span<const int> pars)
{
    fillRectangle(pars, CharData(curAttr, code(U" "), 1), false);
}

void Terminal::cmdSelectiveEraseRectangularArea(std::span<const int> pars)
{
    // No cell is ever protected, so every cell loses its character and keeps the rest.
    fillRectangle(pars, CharData(curAttr, code(U" "), 1), true);
}

void Terminal::csiZ(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (isCollect(collect, "$"))
        cmdDECERA(pars);
    else if (isCollect(collect, "'"))
        writeLog("TODO: Enable Locator Reporting (DECELR)");
}

void Terminal::csiOpenBrace(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (isCollect(collect, "$"))
        cmdSelectiveEraseRectangularArea(pars);
    else if (!silentLog)
        log(fmt::format("CSI # {{ not implemented - XTPUSHSGR with {} and pars={}", collect, pars));
}

void Terminal::csiCopyRectangularArea(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (!isCollect(collect, "$"))
        return;
    // Only page 1 exists; an omitted page is page 1.
    const auto page = [&](size_t index) { return std::max(parameter(pars, index), 1); };
    if (page(4) != 1 || page(7) != 1)
        return;
    const auto orLast = [](int value, int last) { return value == 0 ? last : value; };
    const std::array<int, 4> sourcePars { parameter(pars, 0), parameter(pars, 1), orLast(parameter(pars, 2), rows),
                                          orLast(parameter(pars, 3), cols) };
    const auto source = getRectangleFromRequest(sourcePars);
    if (!source)
        return;
    const auto [top, left, bottom, right] = *source;
    // The target counts from the margins in origin mode, as the source does.
    const int topBase = originMode ? m_buffer->scrollTop() : 0;
    const int leftBase = originMode ? m_buffer->marginLeft() : 0;
    const int dstTop = std::min(topBase + std::max(parameter(pars, 5), 1) - 1, rows - 1);
    const int dstLeft = std::min(leftBase + std::max(parameter(pars, 6), 1) - 1, cols - 1);
    const int width = std::min(right - left + 1, cols - dstLeft);
    const int height = bottom - top + 1;

    // The whole source is read before anything is written, so an overlapping destination receives
    // the source as it was.
    Buffer& buffer = *m_buffer;
    std::vector<CharData> copied;
    copied.reserve(size_t(width) * size_t(height));
    for (int y = top; y <= bottom; y++) {
        const BufferLine& row = buffer.line(y + buffer.yBase());
        for (int col = left; col < left + width; col++)
            copied.push_back(row[col]);
    }
    const int lastRow = std::min(dstTop + height - 1, rows - 1);
    auto cell = copied.begin();
    for (int y = dstTop; y <= lastRow; y++) {
        BufferLine& row = buffer.line(y + buffer.yBase());
        for (int col = dstLeft; col < dstLeft + width; col++)
            writeRectangleCell(row, col, *cell++);
    }
    updateRange(dstTop);
    updateRange(lastRow);
}

void Terminal::csiCloseBrace(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (!isCollect(collect, "'")) {
        if (!silentLog)
            log(fmt::format("CSI # }} not implemented- XTPOPSGR with {} and pars={}", collect, pars));
        return;
    }
    // DECIC
    Buffer& buffer = *m_buffer;
    const int x = buffer.x();
    if ((marginMode && x < buffer.marginLeft()) || x > buffer.marginRight())
        return;
    const int right = marginMode ? buffer.marginRight() : cols - 1;
    const int n = count(pars);
    const CharData erase = eraseCell();
    for (int y = buffer.scrollTop(); y <= buffer.scrollBottom(); y++)
        buffer.line(y + buffer.yBase()).insertCells(x, n, right, erase);
    updateRange(buffer.scrollTop());
    updateRange(buffer.scrollBottom());
}

void Terminal::cmdDeleteColumns(std::span<const int> pars)
{
    Buffer& buffer = *m_buffer;
    const int x = buffer.x();
    const int y = buffer.y();
    if (y < buffer.scrollTop() || y > buffer.scrollBottom() || x == buffer.cols())
        return;
    if (marginMode && (x < buffer.marginLeft() || x > buffer.marginRight()))
        return;
    const int right = marginMode ? buffer.marginRight() : cols - 1;
    const int n = count(pars);
    const CharData erase = eraseCell();
    for (int row = buffer.scrollTop(); row <= buffer.scrollBottom(); row++)
        buffer.line(row + buffer.yBase()).deleteCells(x, n, right, erase);
    updateRange(buffer.scrollTop());
    updateRange(buffer.scrollBottom());
}

} // namespace zentrova
