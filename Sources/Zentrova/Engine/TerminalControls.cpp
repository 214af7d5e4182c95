// The C0 controls that move the cursor: line feed, backspace, carriage return and tabs.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"

#include <algorithm>

namespace zentrova {

void Terminal::cmdLineFeedBasic()
{
    Buffer& buffer = *m_buffer;
    bool moved = false;
    const bool onBottomMargin = buffer.y() == buffer.scrollBottom();
    if (onBottomMargin) {
        // With left/right margins only a cursor between them scrolls the region.
        if (!marginMode || (buffer.x() >= buffer.marginLeft() && buffer.x() <= buffer.marginRight())) {
            scroll(false);
            moved = true;
        }
    } else if (buffer.y() < rows - 1) {
        buffer.setY(buffer.y() + 1);
        moved = true;
        BufferLine& row = buffer.line(buffer.y() + buffer.yBase());
        if (!row.isWrapped())
            row.setBidiState(currentBidiState);
    }
    // A line feed ends a pending wrap.
    if (buffer.x() >= cols)
        buffer.setX(cols - 1);
    finishSemanticLineAdvance(moved);
    if (m_delegate)
        m_delegate->linefeed(*this);
    if (lineFeedMode)
        buffer.setX(originMode && marginMode ? buffer.marginLeft() : 0);
}

void Terminal::finishSemanticLineAdvance(bool movedToNextLine)
{
    Buffer& buffer = *m_buffer;
    const int ringRow = buffer.y() + buffer.yBase();
    if (!movedToNextLine || ringRow >= buffer.lines().count()
        || (buffer.semanticInput != SemanticInputState::prompt && buffer.semanticInput != SemanticInputState::armed))
        return;
    BufferLine& row = buffer.line(ringRow);
    const uint64_t group = buffer.activeSemanticGroupID;
    const auto current = row.semanticHardContinuationGroup();
    if (current == group)
        return;
    if (current) {
        // The row held another command's prompt or input: that content is now plain output.
        for (int col = 0; col < row.count(); col++) {
            CharData cell = row[col];
            if (cell.semanticContentCode() >= 1 && cell.semanticContentCode() <= 5) {
                cell.setSemanticContentCode(0);
                row.setCell(col, cell);
            }
        }
    }
    row.setSemanticHardContinuationGroup(group);
}

void Terminal::clearEchoedEnterContinuationBeforeOutput()
{
    Buffer& buffer = *m_buffer;
    const int ringRow = buffer.y() + buffer.yBase();
    if (ringRow >= buffer.lines().count())
        return;
    BufferLine& row = buffer.line(ringRow);
    if (row.semanticHardContinuationGroup())
        row.setSemanticHardContinuationGroup(std::nullopt);
}

void Terminal::restrictCursor()
{
    Buffer& buffer = *m_buffer;
    buffer.setX(std::clamp(buffer.x(), 0, reverseWraparound ? cols : cols - 1));
    buffer.setY(std::clamp(buffer.y(), 0, rows - 1));
}

void Terminal::cmdBackspace()
{
    restrictCursor();
    Buffer& buffer = *m_buffer;
    const int left = marginMode ? buffer.marginLeft() : 0;
    const int right = marginMode ? buffer.marginRight() : cols - 1;
    const int x = buffer.x();
    if (x > left) {
        buffer.setX(x - 1);
        return;
    }
    if (!reverseWraparound) {
        if (x > 0 && x < left)
            buffer.setX(x - 1);
        return;
    }
    // Reverse wrap-around: back to the end of the row above, within the scroll region.
    const int y = buffer.y();
    if (y <= buffer.scrollTop() || y > buffer.scrollBottom())
        return;
    if (!marginMode) {
        BufferLine& row = buffer.line(y + buffer.yBase());
        if (!row.isWrapped())
            return;
        row.setIsWrapped(false);
    }
    buffer.setY(y - 1);
    buffer.setX(right);
}

void Terminal::cmdCarriageReturn()
{
    Buffer& buffer = *m_buffer;
    buffer.setX(marginMode && buffer.x() >= buffer.marginLeft() ? buffer.marginLeft() : 0);
}

void Terminal::cmdHorizontalTab()
{
    cursorForwardTabs(1);
}

void Terminal::cursorForwardTabs(int count)
{
    Buffer& buffer = *m_buffer;
    // Past the last column there is no tab stop to reach, and the next character still wraps.
    if (buffer.x() >= cols)
        return;
    for (int i = 0; i < count; i++)
        buffer.setX(buffer.nextTabStop(marginMode));
}

void Terminal::cursorBackwardTabs(int count)
{
    endPendingWrap();
    Buffer& buffer = *m_buffer;
    for (int i = 0; i < count; i++)
        buffer.setX(buffer.previousTabStop());
}

} // namespace zentrova
