// The bidirectional-text state of rows: the presentation direction and character path sequences, the
// rule that carries a changed state onto the cursor's paragraph, and the cuts that keep a paragraph
// from running across the edge of rows that were scrolled or shifted.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/CsiParameters.h"

namespace zentrova {
namespace {

using csi::parameter;

} // namespace

void Terminal::cmdSelectPresentationDirection(std::span<const int> pars)
{
    switch (parameter(pars)) {
    case 0:
        selectBidiDirection(BidiDirection::leftToRight);
        return;
    case 3:
        selectBidiDirection(BidiDirection::rightToLeft);
        return;
    default:
        return;
    }
}

void Terminal::cmdSelectCharacterPath(std::span<const int> pars)
{
    switch (parameter(pars)) {
    case 0:
        selectBidiDirection(options.initialBidiState.fallbackDirection);
        return;
    case 1:
        selectBidiDirection(BidiDirection::leftToRight);
        return;
    case 2:
        selectBidiDirection(BidiDirection::rightToLeft);
        return;
    default:
        return;
    }
}

void Terminal::selectBidiDirection(BidiDirection direction)
{
    currentBidiState.fallbackDirection = direction;
    applyBidiState({ BidiStateProperty::fallbackDirection });
}

void Terminal::applyCurrentBidiStateAtParagraphStart(const BidiStateProperties& properties)
{
    // Only a cursor at the start of a paragraph changes it; elsewhere the state waits for new rows.
    Buffer& buffer = *m_buffer;
    const int first = buffer.y() + buffer.yBase();
    const int count = buffer.lines().count();
    if (buffer.x() != 0 || first < 0 || first >= count || buffer.line(first).isWrapped())
        return;
    BidiPresentationState state = buffer.line(first).bidiState();
    for (BidiStateProperty property : properties) {
        switch (property) {
        case BidiStateProperty::supportMode:
            state.supportMode = currentBidiState.supportMode;
            break;
        case BidiStateProperty::autodetectDirection:
            state.autodetectDirection = currentBidiState.autodetectDirection;
            break;
        case BidiStateProperty::fallbackDirection:
            state.fallbackDirection = currentBidiState.fallbackDirection;
            break;
        case BidiStateProperty::boxMirroring:
            state.boxMirroring = currentBidiState.boxMirroring;
            break;
        }
    }
    for (int index = first; index < count && (index == first || buffer.line(index).isWrapped()); index++) {
        BufferLine& row = buffer.line(index);
        if (row.bidiState() != state)
            row.setBidiState(state);
    }
}

void Terminal::unwrapRow(int ringRow)
{
    Buffer& buffer = *m_buffer;
    if (ringRow < 0 || ringRow >= buffer.lines().count())
        return;
    BufferLine& row = buffer.line(ringRow);
    if (row.isWrapped())
        row.setIsWrapped(false);
}

void Terminal::hardenBidiScrollBoundaries(bool insertedAtTop, int count)
{
    // Rows that moved within the region no longer continue what lies above it, nor does the row
    // below the region continue what moved to the region's bottom.
    Buffer& buffer = *m_buffer;
    const int top = buffer.yBase() + buffer.scrollTop();
    const int bottom = buffer.yBase() + buffer.scrollBottom();
    unwrapRow(top);
    if (insertedAtTop && count < bottom - top + 1)
        unwrapRow(top + count);
    unwrapRow(bottom + 1);
}

void Terminal::hardenBidiLineShiftBoundaries(int firstChangedRow, std::optional<int> firstMovedRow, int lastChangedRow)
{
    unwrapRow(firstChangedRow);
    if (firstMovedRow)
        unwrapRow(*firstMovedRow);
    unwrapRow(lastChangedRow + 1);
}

} // namespace zentrova
