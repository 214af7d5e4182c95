// Editing the screen: inserting, deleting, erasing and repeating characters, inserting and deleting
// rows, scrolling the region, the alignment pattern, double-size rows, the cursor shape and the
// conformance level. Everything vacated takes the erase cell.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/CsiParameters.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Text/SelectionService.h"

#include <algorithm>

namespace zentrova {
namespace {

using csi::count;
using csi::parameter;

} // namespace

const CharData& Terminal::eraseCell() const
{
    // Only the background of the erase attribute follows the current one.
    if (!(m_eraseCellBackground == curAttr.bg)) {
        m_eraseCellBackground = curAttr.bg;
        m_eraseCell = CharData(eraseAttr(), 0, 1);
    }
    return m_eraseCell;
}

void Terminal::resetBufferLine(int y, bool clearImages, const std::optional<BidiPresentationState>& bidiState)
{
    Buffer& buffer = *m_buffer;
    const int ringRow = y + buffer.yBase();
    if (clearImages)
        buffer.clearImagesFromLine(ringRow);
    BufferLine& row = buffer.line(ringRow);
    row.replaceCells(0, cols, eraseCell());
    row.setIsWrapped(false);
    row.setRenderMode(BufferLine::RenderLineMode::single);
    if (bidiState)
        row.setBidiState(*bidiState);
    updateRange(y);
}

void Terminal::cmdInsertChars(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    if (marginMode && (buffer.x() < buffer.marginLeft() || buffer.x() > buffer.marginRight()))
        return;
    const int right = marginMode ? buffer.marginRight() : cols - 1;
    buffer.line(buffer.y() + buffer.yBase()).insertCells(buffer.x(), count(pars), right, eraseCell());
    updateRange(buffer.y());
}

void Terminal::cmdDeleteChars(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    int n = count(pars);
    if (marginMode) {
        if (buffer.x() < buffer.marginLeft() || buffer.x() > buffer.marginRight())
            return;
        n = std::min(n, buffer.marginRight() - buffer.x() + 1);
    }
    if (buffer.x() == buffer.cols())
        return;
    const int right = marginMode ? buffer.marginRight() : cols - 1;
    buffer.line(buffer.y() + buffer.yBase()).deleteCells(buffer.x(), n, right, eraseCell());
    updateRange(buffer.y());
}

void Terminal::cmdEraseChars(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    BufferLine& row = buffer.line(buffer.y() + buffer.yBase());
    row.replaceCells(buffer.x(), std::min(buffer.x() + count(pars), row.count()), eraseCell());
    // The erased cells must be drawn again like any other change.
    updateRange(buffer.y());
}

void Terminal::cmdRepeatPrecedingCharacter(std::span<const int> pars)
{
    // The last character printed, in the current attribute, wherever the cursor stands now.
    if (m_lastPrintedCode == 0)
        return;
    const int n = std::min(count(pars), 2 * cols * rows);
    const CharData cell = printTemplate().withValue(int32_t(m_lastPrintedCode), m_lastPrintedWidth);
    for (int i = 0; i < n; i++)
        m_buffer->insertCharacter(cell, hyperlinkResolver());
}

void Terminal::shiftRegionRows(int top, int n, bool up)
{
    // Whole rows of top...scrollBottom move by n; the rows they leave become blank.
    Buffer& buffer = *m_buffer;
    CircularBufferLineList& lines = buffer.lines();
    const int first = buffer.yBase() + top;
    const int last = buffer.yBase() + buffer.scrollBottom();
    const int height = last - first + 1;
    n = std::min(n, height);
    if (n < height)
        lines.shiftElements(up ? first + n : first, height - n, up ? -n : n);
    const BufferLine& blank = preparedBlankLine(false, currentBidiState);
    const int blankFrom = up ? last - n + 1 : first;
    for (int index = blankFrom; index < blankFrom + n; index++)
        lines.set(index, std::make_shared<BufferLine>(blank));
    for (const auto& entry : m_selections) {
        if (auto selection = entry.lock())
            selection->adjustForInPlaceScroll(first, last, up ? n : -n);
    }
}

void Terminal::shiftRegionColumns(int top, int n, bool up)
{
    // Only the cells between the left and right margins of top...scrollBottom move.
    Buffer& buffer = *m_buffer;
    const int left = buffer.marginLeft();
    const int width = buffer.marginRight() - left + 1;
    const int first = buffer.yBase() + top;
    const int last = buffer.yBase() + buffer.scrollBottom();
    n = std::min(n, last - first + 1);
    if (up) {
        for (int index = first; index + n <= last; index++)
            buffer.line(index).copyFrom(buffer.line(index + n), left, left, width);
    } else {
        for (int index = last; index - n >= first; index--)
            buffer.line(index).copyFrom(buffer.line(index - n), left, left, width);
    }
    const int blankFrom = up ? last - n + 1 : first;
    for (int index = blankFrom; index < blankFrom + n; index++)
        buffer.line(index).fill(eraseCell(), left, width);
    selectionsInvalidateForColumnRestrictedScroll(first, last, left, buffer.marginRight());
}

void Terminal::cmdInsertLines(std::span<const int> pars)
{
    Buffer& buffer = *m_buffer;
    const int y = buffer.y();
    if (y < buffer.scrollTop() || y > buffer.scrollBottom())
        return;
    const int n = std::min(count(pars), 2 * buffer.lines().maxLength());
    if (marginMode) {
        if (buffer.x() < buffer.marginLeft() || buffer.x() > buffer.marginRight())
            return;
        shiftRegionColumns(y, n, false);
    } else {
        shiftRegionRows(y, n, false);
        const int bottom = buffer.scrollBottom();
        hardenBidiLineShiftBoundaries(buffer.yBase() + y,
                                      y + n <= bottom ? std::optional(buffer.yBase() + y + n) : std::nullopt,
                                      buffer.yBase() + bottom);
    }
    finishLineShift(y);
}

void Terminal::cmdDeleteLines(std::span<const int> pars)
{
    restrictCursor(true);
    Buffer& buffer = *m_buffer;
    const int y = buffer.y();
    if (y < buffer.scrollTop() || y > buffer.scrollBottom())
        return;
    const int n = std::min(count(pars), buffer.rows() + 1);
    if (marginMode) {
        if (buffer.x() < buffer.marginLeft() || buffer.x() > buffer.marginRight())
            return;
        shiftRegionColumns(y, n, true);
    } else {
        // The rows pulled up start at y itself.
        shiftRegionRows(y, n, true);
        hardenBidiLineShiftBoundaries(buffer.yBase() + y, std::nullopt, buffer.yBase() + buffer.scrollBottom());
    }
    finishLineShift(y);
}

// After IL or DL: the cursor returns to the left margin (the first column without margins) and the
// rows that moved are redrawn.
void Terminal::finishLineShift(int y)
{
    Buffer& buffer = *m_buffer;
    buffer.setX(marginMode ? buffer.marginLeft() : 0);
    updateRange(y);
    updateRange(buffer.scrollBottom());
    if (buffer.scrollTop() != 0 || buffer.scrollBottom() != rows - 1)
        updateRange(buffer.scrollTop());
}

void Terminal::cmdEraseInDisplay(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    const int x = buffer.x();
    const int y = buffer.y();
    switch (parameter(pars, 0)) {
    case 0: {
        updateRange(y);
        BufferLine& row = buffer.line(y + buffer.yBase());
        row.replaceCells(x, cols, eraseCell());
        if (x == 0)
            row.setIsWrapped(false);
        for (int below = y + 1; below < rows; below++)
            resetBufferLine(below, false, currentBidiState);
        updateRange(rows - 1);
        break;
    }
    case 1: {
        BufferLine& row = buffer.line(y + buffer.yBase());
        row.replaceCells(0, x + 1, eraseCell());
        row.setIsWrapped(false);
        // The next row no longer continues a row whose end was erased.
        if (x + 1 >= cols && y + 1 < rows)
            buffer.line(y + 1 + buffer.yBase()).setIsWrapped(false);
        for (int above = 0; above < y; above++)
            resetBufferLine(above, false, currentBidiState);
        updateRange(0);
        updateRange(y);
        break;
    }
    case 2:
        // A full-screen program clearing the alternate screen leaves the main screen's images, and
        // those in its scrollback, where they are: only the alternate screen's go.
        if (isCurrentBufferAlternate())
            clearKittyImages(*m_altBuffer, true);
        else
            clearAllKittyImages();
        for (int row = rows - 1; row >= 0; row--)
            resetBufferLine(row, true, currentBidiState);
        updateRange(0);
        updateRange(rows - 1);
        break;
    case 3: {
        CircularBufferLineList& lines = buffer.lines();
        const int dropped = lines.count() - rows;
        if (dropped <= 0)
            break;
        lines.trimStart(dropped);
        buffer.linesTop = 0;
        buffer.setYBase(std::max(buffer.yBase() - dropped, 0));
        buffer.setYDisp(std::max(buffer.yDisp() - dropped, 0));
        break;
    }
    default:
        break;
    }
}

void Terminal::cmdEraseInLine(std::span<const int> pars)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    BufferLine& row = buffer.line(buffer.y() + buffer.yBase());
    const int x = buffer.x();
    switch (parameter(pars, 0)) {
    case 0:
        row.replaceCells(x, std::min(cols, row.count()), eraseCell());
        break;
    case 1:
        row.replaceCells(0, std::min(x + 1, row.count()), eraseCell());
        break;
    case 2:
        row.replaceCells(0, std::min(cols, row.count()), eraseCell());
        break;
    default:
        break;
    }
    updateRange(buffer.y());
}

void Terminal::cmdScrollUp(std::span<const int> pars)
{
    Buffer& buffer = *m_buffer;
    const int n = std::min(count(pars), 2 * rows);
    if (marginMode)
        shiftRegionColumns(buffer.scrollTop(), n, true);
    else
        shiftRegionRows(buffer.scrollTop(), n, true);
    hardenBidiScrollBoundaries(false, n);
    updateRange(buffer.scrollTop());
    updateRange(buffer.scrollBottom());
}

void Terminal::cmdScrollDown(std::span<const int> pars)
{
    Buffer& buffer = *m_buffer;
    const int n = std::min(count(pars), rows);
    if (marginMode)
        shiftRegionColumns(buffer.scrollTop(), n, false);
    else
        shiftRegionRows(buffer.scrollTop(), n, false);
    hardenBidiScrollBoundaries(true, n);
    updateRange(buffer.scrollTop());
    updateRange(buffer.scrollBottom());
}

void Terminal::cmdScreenAlignmentPattern()
{
    Attribute attribute = curAttr;
    attribute.style = CharacterStyle::none;
    attribute.underlineStyle = UnderlineStyle::none;
    const CharData fill(attribute, code(U"E"), 1);
    setCursor(0, 0);
    // Every screen row, also when origin mode put the home position below the first one.
    Buffer& buffer = *m_buffer;
    for (int y = 0; y < rows; y++) {
        BufferLine& row = buffer.line(y + buffer.yBase());
        row.fill(fill);
        row.setIsWrapped(false);
    }
    updateFullScreen();
    setCursor(0, 0);
}

void Terminal::setLineRenderMode(BufferLine::RenderLineMode mode)
{
    Buffer& buffer = *m_buffer;
    buffer.line(buffer.y() + buffer.yBase()).setRenderMode(mode);
    updateRange(buffer.y());
}

void Terminal::cmdSetCursorStyle(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (collect.size() != 1 || collect[0] != ' ')
        return;
    static constexpr CursorStyle styles[] = { CursorStyle::blinkBlock,      CursorStyle::blinkBlock,
                                              CursorStyle::steadyBlock,     CursorStyle::blinkUnderline,
                                              CursorStyle::steadyUnderline, CursorStyle::blinkBar,
                                              CursorStyle::steadyBar };
    const int value = parameter(pars, 0);
    if (value >= 0 && value < int(std::size(styles)))
        setCursorStyle(styles[value]);
}

void Terminal::setCursorStyle(CursorStyle style)
{
    if (style == options.cursorStyle)
        return;
    options.cursorStyle = style;
    if (m_delegate)
        m_delegate->cursorStyleChanged(*this, style);
}

void Terminal::cmdSetConformanceLevel(std::span<const int> pars)
{
    if (pars.empty())
        return;
    switch (pars[0]) {
    case 61:
        conformance = TerminalConformance::vt100;
        cc.send8bit = false;
        return;
    case 62:
        conformance = TerminalConformance::vt200;
        break;
    case 63:
        conformance = TerminalConformance::vt300;
        break;
    case 64:
        conformance = TerminalConformance::vt400;
        break;
    default:
        conformance = TerminalConformance::vt500;
        break;
    }
    if (pars.size() > 1)
        cc.send8bit = pars[1] == 0 || pars[1] == 2;
}

} // namespace zentrova
