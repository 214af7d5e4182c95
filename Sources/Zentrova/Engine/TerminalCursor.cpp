// Cursor positioning, tab stops, margins, saving and restoring the cursor, and the column scrolls
// of back and forward index.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/CsiParameters.h"

#include <algorithm>

namespace zentrova {

using csi::parameter;

// A character written in the last column leaves the cursor just past it, waiting to wrap; anything
// but another character ends the wait and starts from the last column.
void Terminal::endPendingWrap()
{
    if (m_buffer->x() >= cols)
        m_buffer->setX(cols - 1);
}

void Terminal::cmdCursorUp(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    // Above the region the cursor may go up to the first row; inside, the top margin stops it.
    const int bound = buffer.y() < buffer.scrollTop() ? 0 : buffer.scrollTop();
    buffer.setY(std::max(buffer.y() - csi::count(pars), bound));
}

void Terminal::cmdCursorDown(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    const int bound = buffer.y() > buffer.scrollBottom() ? rows - 1 : buffer.scrollBottom();
    buffer.setY(std::min(buffer.y() + csi::count(pars), bound));
}

void Terminal::cursorForward(int count)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    int right = marginMode ? buffer.marginRight() : cols - 1;
    if (buffer.x() > right)
        right = cols - 1;
    buffer.setX(std::min(buffer.x() + std::max(count, 1), right));
}

void Terminal::cursorBackward(int count)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    int left = marginMode ? buffer.marginLeft() : 0;
    if (buffer.x() < buffer.marginLeft())
        left = 0;
    buffer.setX(std::max(buffer.x() - std::max(count, 1), left));
}

void Terminal::cmdCursorCharAbsolute(std::span<const int> pars)
{
    const int base = originMode && marginMode ? m_buffer->marginLeft() : 0;
    m_buffer->setX(std::min(cols - 1, base + std::min(cols - 1, csi::count(pars) - 1)));
}

void Terminal::cmdCursorPosition(std::span<const int> pars)
{
    setCursor(csi::count(pars, 1) - 1, csi::count(pars) - 1);
}

void Terminal::cmdHVPosition(std::span<const int> pars)
{
    // Unlike CUP, only the screen bounds the cursor and no row is marked.
    Buffer& buffer = *m_buffer;
    const int rowBase = originMode ? buffer.scrollTop() : 0;
    const int colBase = originMode && marginMode ? buffer.marginLeft() : 0;
    buffer.setY(std::min(rows - 1, csi::count(pars) - 1 + rowBase));
    buffer.setX(std::min(cols - 1, csi::count(pars, 1) - 1 + colBase));
}

void Terminal::cmdCharPosAbsolute(std::span<const int> pars)
{
    cmdCursorCharAbsolute(pars);
}

void Terminal::cmdHPositionRelative(std::span<const int> pars)
{
    m_buffer->setX(std::min(m_buffer->x() + csi::count(pars), cols - 1));
}

void Terminal::cmdLinePosAbsolute(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    // In origin mode rows count from the top margin and stop at the bottom one.
    const int top = originMode ? buffer.scrollTop() : 0;
    const int bottom = originMode ? buffer.scrollBottom() : rows - 1;
    buffer.setY(std::min(top + csi::count(pars) - 1, bottom));
}

void Terminal::cmdVPositionRelative(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    buffer.setY(std::min(buffer.y() + csi::count(pars), rows - 1));
}

void Terminal::cmdTabClear(std::span<const int> pars)
{
    Buffer& buffer = *m_buffer;
    const int mode = parameter(pars, 0);
    if (mode == 0) {
        buffer.tabClear(buffer.x());
    } else if (mode == 3) {
        for (int col = 0; col < int(buffer.tabStops().size()); col++)
            buffer.tabClear(col);
    }
}

void Terminal::setCursor(int col, int row)
{
    Buffer& buffer = *m_buffer;
    updateRange(buffer.y());
    if (originMode) {
        if (marginMode)
            col += buffer.marginLeft();
        row += buffer.scrollTop();
    }
    // The clamping restrictCursor(true) does, done on the values before they reach the buffer.
    buffer.setX(std::min(cols - 1, std::max(col, 0)));
    if (originMode)
        buffer.setY(std::min(buffer.scrollBottom(), std::max(buffer.scrollTop(), std::max(row, 0))));
    else
        buffer.setY(std::min(rows - 1, std::max(row, 0)));
    updateRange(buffer.y());
}

void Terminal::restrictCursor(bool limitCols)
{
    Buffer& buffer = *m_buffer;
    buffer.setX(std::min(cols - (limitCols ? 1 : 0), std::max(0, buffer.x())));
    if (originMode)
        buffer.setY(std::min(buffer.scrollBottom(), std::max(buffer.scrollTop(), buffer.y())));
    else
        buffer.setY(std::min(rows - 1, std::max(0, buffer.y())));
    updateRange(buffer.y());
}

void Terminal::cmdSetScrollRegion(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (!collect.empty())
        return;
    Buffer& buffer = *m_buffer;
    const int top = std::max(parameter(pars, 0) - 1, 0);
    const int p1 = parameter(pars, 1);
    const int bottom = p1 > 0 && p1 <= rows ? p1 : rows;
    // A region needs two rows at least; a smaller one keeps the old margins but still homes.
    if (top < bottom - 1) {
        buffer.setScrollTop(top);
        buffer.setScrollBottom(bottom - 1);
    }
    setCursor(0, 0);
}

void Terminal::cmdSetMargins(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (!collect.empty())
        return;
    Buffer& buffer = *m_buffer;
    const int left = std::max(parameter(pars, 0) - 1, 0);
    const int p1 = parameter(pars, 1);
    const int right = p1 == 0 ? cols - 1 : std::clamp(p1 - 1, 0, cols - 1);
    buffer.setMarginLeft(std::min(left, right));
    buffer.setMarginRight(right);
}

void Terminal::cmdSaveCursor(std::span<const uint8_t> collect)
{
    if (!collect.empty())
        return;
    Buffer& buffer = *m_buffer;
    buffer.savedX = buffer.x();
    buffer.savedY = buffer.y();
    buffer.savedAttr = curAttr;
    buffer.savedCharset = charset ? std::optional(*charset) : std::nullopt;
    buffer.savedOriginMode = originMode;
    buffer.savedMarginMode = marginMode;
    buffer.savedWraparound = wraparound;
    buffer.savedReverseWraparound = reverseWraparound;
}

void Terminal::cmdRestoreCursor(std::span<const uint8_t> collect)
{
    if (!collect.empty())
        return;
    Buffer& buffer = *m_buffer;
    buffer.setX(std::min(cols - 1, std::max(0, buffer.savedX)));
    buffer.setY(std::min(rows - 1, std::max(0, buffer.savedY)));
    curAttr = buffer.savedAttr;
    // The slot keeps a copy of the map; the terminal points into the table of known sets.
    charset = nullptr;
    if (buffer.savedCharset) {
        for (const auto& [final, set] : CharSets::all()) {
            if (set == *buffer.savedCharset) {
                charset = &set;
                break;
            }
        }
    }
    originMode = buffer.savedOriginMode;
    reverseWraparound = buffer.savedReverseWraparound;
    marginMode = buffer.savedMarginMode;
    wraparound = buffer.savedWraparound;
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        each->marginMode = marginMode;
        each->wraparound = wraparound;
    }
}

void Terminal::columnIndex(bool back)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    if (back) {
        if (buffer.x() != buffer.marginLeft())
            cursorBackward(1);
        else
            columnScroll(true, buffer.x());
    } else if (buffer.x() != buffer.marginRight()) {
        if (buffer.x() < cols - 1)
            buffer.setX(buffer.x() + 1);
    } else {
        columnScroll(false, buffer.marginLeft());
    }
}

void Terminal::columnScroll(bool back, int at)
{
    Buffer& buffer = *m_buffer;
    if (buffer.y() < buffer.scrollTop() || buffer.y() > buffer.scrollBottom() || buffer.x() < buffer.marginLeft()
        || buffer.x() > buffer.marginRight())
        return;
    const int right = marginMode ? buffer.marginRight() : cols - 1;
    for (int y = buffer.scrollTop(); y <= buffer.scrollBottom(); y++) {
        BufferLine& row = buffer.line(y + buffer.yBase());
        // Both shift the row's prompt marks with the cells.
        if (back)
            row.insertCells(at, 1, right, CharData(CharData::Null.attribute(), 0, 1));
        else
            row.deleteCells(at, 1, right, eraseCell());
    }
    updateRange(buffer.scrollTop());
    updateRange(buffer.scrollBottom());
}

} // namespace zentrova
