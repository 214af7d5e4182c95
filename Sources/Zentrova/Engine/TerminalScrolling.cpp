// Scrolling the region up one row (line feed, index and auto-wrap at the bottom margin) and down
// one row (reverse index).

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Text/SelectionService.h"

#include <fmt/format.h>

#include <algorithm>

namespace zentrova {

Attribute Terminal::eraseAttr() const
{
    static const Attribute defaults = CharData::Null.attribute();
    Attribute attribute = defaults;
    attribute.bg = curAttr.bg;
    return attribute;
}

BufferLine& Terminal::preparedBlankLine(bool isWrapped, const BidiPresentationState& bidiState)
{
    const Attribute erase = eraseAttr();
    if (!m_blankLine || m_blankLine->count() != cols || !(m_blankLineAttr == erase)) {
        m_blankLine = m_buffer->getBlankLine(erase, isWrapped);
        m_blankLineAttr = erase;
    }
    m_blankLine->setIsWrapped(isWrapped);
    m_blankLine->setBidiState(bidiState);
    return *m_blankLine;
}

void Terminal::scroll(bool isWrapped)
{
    Buffer& buffer = *m_buffer;
    CircularBufferLineList& lines = buffer.lines();
    const int topRow = buffer.yBase() + buffer.scrollTop();
    const int bottomRow = buffer.yBase() + buffer.scrollBottom();
    const BidiPresentationState bidiState
        = isWrapped && bottomRow < lines.count() ? buffer.line(bottomRow).bidiState() : currentBidiState;
    const BufferLine& blank = preparedBlankLine(isWrapped, bidiState);
    const bool fullWidth = !marginMode || (buffer.marginLeft() < 1 && buffer.marginRight() >= cols - 1);

    const auto adjustSelections = [&](int top, int bottom) {
        for (const auto& entry : m_selections) {
            if (auto selection = entry.lock())
                selection->adjustForInPlaceScroll(top, bottom, 1);
        }
    };
    // The oldest row left the ring: scroll-invariant row numbers move on, and a user looking back
    // keeps seeing the same rows.
    const auto droppedOldest = [&] {
        if (buffer.hasScrollback())
            buffer.linesTop++;
        adjustSelections(0, lines.count() - 1);
        if (userScrolling)
            buffer.setYDisp(std::max(buffer.yDisp() - 1, 0));
    };
    const auto grew = [&] {
        buffer.setYBase(buffer.yBase() + 1);
        if (!userScrolling)
            buffer.setYDisp(buffer.yDisp() + 1);
    };

    if (fullWidth && buffer.scrollTop() > 0) {
        // A region below the top of the screen: nothing goes to the scrollback.
        if (bottomRow >= lines.count()) {
            writeLog(fmt::format("scroll: bottomRow {} >= lines.count {}, state: yBase={} scrollTop={} scrollBottom={} "
                                 "isAlternate={}",
                                 bottomRow, lines.count(), buffer.yBase(), buffer.scrollTop(), buffer.scrollBottom(),
                                 isCurrentBufferAlternate()));
            return;
        }
        if (!lines.shiftElements(topRow + 1, bottomRow - topRow, -1))
            writeLog(fmt::format("Assertion on scroll, state was: bottomRow={} topRow={} yDisp={} linesTop={} isAlternate={}",
                                 bottomRow, topRow, buffer.yDisp(), buffer.linesTop, isCurrentBufferAlternate()));
        lines.set(bottomRow, std::make_shared<BufferLine>(blank));
        adjustSelections(topRow, bottomRow);
    } else if (fullWidth) {
        const bool wasFull = lines.isFull();
        if (bottomRow == lines.count() - 1 && wasFull) {
            lines.recycle(eraseAttr());
            BufferLine& newest = buffer.line(lines.count() - 1);
            newest.setIsWrapped(isWrapped);
            newest.setBidiState(bidiState);
            droppedOldest();
        } else if (bottomRow == lines.count() - 1) {
            lines.push(std::make_shared<BufferLine>(blank));
            grew();
        } else if (wasFull) {
            // A region at the top above rows that stay (an editor's status line): its top row goes to
            // the scrollback, and the oldest row, reused, becomes its new bottom row. Only the rows
            // below the region move, so the cost does not grow with the scrollback.
            lines.recycle(eraseAttr());
            lines.moveBack(lines.count() - 1, bottomRow);
            BufferLine& newest = buffer.line(bottomRow);
            newest.setIsWrapped(isWrapped);
            newest.setBidiState(bidiState);
            droppedOldest();
        } else {
            const std::shared_ptr<BufferLine> row = std::make_shared<BufferLine>(blank);
            lines.splice(bottomRow + 1, 0, std::span(&row, 1), {});
            grew();
        }
    } else {
        // Only the columns between the left and right margins move.
        const int left = buffer.marginLeft();
        const int width = buffer.marginRight() - left + 1;
        for (int index = topRow; index < bottomRow; index++) {
            BufferLine& row = buffer.line(index);
            BufferLine& below = buffer.line(index + 1);
            row.copyFrom(below, left, left, width);
            row.setIsWrapped(false);
            row.setBidiState(below.bidiState());
            buffer.clearImagesFromLine(index);
            row.setRenderMode(BufferLine::RenderLineMode::single);
        }
        BufferLine& bottom = buffer.line(bottomRow);
        bottom.fill(CharData(eraseAttr(), 0, 1), left, width);
        bottom.setIsWrapped(false);
        bottom.setBidiState(currentBidiState);
        buffer.clearImagesFromLine(bottomRow);
        bottom.setRenderMode(BufferLine::RenderLineMode::single);
        selectionsInvalidateForColumnRestrictedScroll(topRow, bottomRow, left, buffer.marginRight());
    }

    if (!userScrolling)
        buffer.setYDisp(buffer.yBase());
    // A scroll into the scrollback leaves the rows' scroll-invariant numbers as they were.
    const bool intoScrollback
        = buffer.scrollTop() == 0 && buffer.hasScrollback() && buffer.scrollBottom() == rows - 1;
    updateRange(buffer.scrollTop(), intoScrollback);
    updateRange(buffer.scrollBottom(), intoScrollback);
    if (buffer.hasAnyImages())
        updateKittyRelativePlacementsForCurrentBuffer();
    if (m_delegate)
        m_delegate->scrolled(*this, buffer.yDisp());
}

void Terminal::selectionsInvalidateForColumnRestrictedScroll(int top, int bottom, int left, int right)
{
    for (const auto& entry : m_selections) {
        auto selection = entry.lock();
        if (!selection || !selection->active())
            continue;
        Position start = selection->start();
        Position end = selection->end();
        if (Position::compare(end, start) == Position::CompareResult::before)
            std::swap(start, end);
        if (end.row < top || start.row > bottom)
            continue;
        if (start.row == end.row && (end.col < left || start.col > right))
            continue;
        // selectNone() tells the delegate.
        selection->selectNone();
    }
}

void Terminal::cmdIndex()
{
    restrictCursor();
    Buffer& buffer = *m_buffer;
    bool moved = true;
    if (buffer.y() == buffer.scrollBottom()) {
        if (!marginMode || (buffer.x() >= buffer.marginLeft() && buffer.x() <= buffer.marginRight()))
            scroll(false);
        else
            moved = false;
    } else if (buffer.y() < rows - 1) {
        buffer.setY(buffer.y() + 1);
    } else {
        // On the last row, below the region: nothing to scroll, the region's rows stay.
        moved = false;
    }
    finishSemanticLineAdvance(moved);
}

void Terminal::reverseIndex()
{
    restrictCursor();
    Buffer& buffer = *m_buffer;
    CircularBufferLineList& lines = buffer.lines();
    const int x = buffer.x();
    const int y = buffer.y();
    if (marginMode && x < buffer.marginLeft()) {
        if (y != buffer.scrollTop() && y > 0)
            buffer.setY(y - 1);
        return;
    }
    if (y != buffer.scrollTop()) {
        if (y > 0)
            buffer.setY(y - 1);
        return;
    }
    if (marginMode && x > buffer.marginRight())
        return;

    // On the top margin: the region scrolls down one row.
    const int topRow = buffer.yBase() + buffer.scrollTop();
    const int bottomRow = buffer.yBase() + buffer.scrollBottom();
    if (topRow >= lines.count()) {
        writeLog(fmt::format("reverseIndex: start index {} >= lines.count {}, state: y={} yBase={} scrollTop={} "
                             "scrollBottom={} isAlternate={}",
                             topRow, lines.count(), y, buffer.yBase(), buffer.scrollTop(), buffer.scrollBottom(),
                             isCurrentBufferAlternate()));
        return;
    }
    const bool fullWidth = !marginMode || (buffer.marginLeft() < 1 && buffer.marginRight() >= cols - 1);
    if (fullWidth) {
        if (!lines.shiftElements(topRow, buffer.scrollBottom() - y, 1))
            writeLog(fmt::format("Assertion on reverseIndex, state was: y={} yBase={} scrollTop={} scrollBottom={}", y,
                                 buffer.yBase(), buffer.scrollTop(), buffer.scrollBottom()));
        lines.set(topRow, buffer.getBlankLine(eraseAttr()));
        for (const auto& entry : m_selections) {
            if (auto selection = entry.lock())
                selection->adjustForInPlaceScroll(topRow, bottomRow, -1);
        }
    } else {
        const int left = buffer.marginLeft();
        const int width = buffer.marginRight() - left + 1;
        for (int index = bottomRow; index > topRow; index--) {
            BufferLine& row = buffer.line(index);
            row.copyFrom(buffer.line(index - 1), left, left, width);
            row.setIsWrapped(false);
            buffer.clearImagesFromLine(index);
            row.setRenderMode(BufferLine::RenderLineMode::single);
        }
        buffer.line(topRow).fill(CharData(eraseAttr(), 0, 1), left, width);
        selectionsInvalidateForColumnRestrictedScroll(topRow, bottomRow, left, buffer.marginRight());
    }
    updateRange(buffer.scrollTop());
    updateRange(buffer.scrollBottom());
}

void Terminal::cmdNextLine()
{
    // Down first, from where the cursor stands: right of the right margin the bottom margin does
    // not scroll.
    cmdIndex();
    cmdCarriageReturn();
}

} // namespace zentrova
