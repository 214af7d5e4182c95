// The main and alternate screens: switching between them, resizing, the scrollback, and the full
// reset.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"

#include <algorithm>

namespace zentrova {

void Terminal::activateAltBuffer(std::optional<Attribute> fillAttr)
{
    if (isCurrentBufferAlternate())
        return;
    semanticNoteAlternateScreenSwitch();
    m_altBuffer->setX(m_normalBuffer->x());
    m_altBuffer->setY(m_normalBuffer->y());
    m_altBuffer->fillViewportRows(fillAttr.value_or(CharData::Null.attribute()));
    m_buffer = m_altBuffer.get();
    clearKittyImages(*m_altBuffer, true);
}

void Terminal::activateNormalBuffer(bool clearAlt)
{
    if (!isCurrentBufferAlternate())
        return;
    semanticNoteAlternateScreenSwitch();
    m_normalBuffer->setX(m_altBuffer->x());
    m_normalBuffer->setY(m_altBuffer->y());
    if (clearAlt) {
        clearKittyImages(*m_altBuffer, true);
        m_altBuffer->clear();
    }
    m_buffer = m_normalBuffer.get();
}

void Terminal::resetNormalBuffer()
{
    m_blankLine.reset();
    m_normalBuffer = makeBuffer(options.scrollback);
    m_normalBuffer->fillViewportRows(CharData::Null.attribute());
    // A reset shows the new main screen with the cursor at home.
    m_buffer = m_normalBuffer.get();
}

void Terminal::resize(int newCols, int newRows)
{
    newCols = std::max(newCols, MINIMUM_COLS);
    newRows = std::max(newRows, MINIMUM_ROWS);
    if (newCols == cols && newRows == rows)
        return;
    endSynchronizedOutput();
    const int oldCols = cols;
    resizeBuffers(newCols, newRows);
    cols = options.cols = newCols;
    rows = options.rows = newRows;
    m_normalBuffer->setupTabStops(oldCols, tabStopWidth);
    m_altBuffer->setupTabStops(oldCols, tabStopWidth);
    updateRange(0);
    updateRange(rows - 1);
}

void Terminal::resizeBuffers(int newCols, int newRows)
{
    // The saved cursor keeps its distance to the cursor row.
    const int savedDistance = m_normalBuffer->savedY - m_normalBuffer->y();
    m_normalBuffer->resize(newCols, newRows);
    m_normalBuffer->savedY = m_normalBuffer->y() + savedDistance;
    m_altBuffer->resize(newCols, newRows);
}

void Terminal::clearScrollback()
{
    m_normalBuffer->clearScrollback();
    updateRange(0);
    updateRange(rows - 1);
}

void Terminal::changeScrollback(std::optional<int> lines)
{
    m_normalBuffer->changeHistorySize(lines);
    options.scrollback = lines.value_or(0);
    updateRange(0);
    updateRange(rows - 1);
}

void Terminal::resetToInitialState()
{
    // The initial state also reaches the cursor's paragraph: the alternate screen keeps its rows.
    currentBidiState = options.initialBidiState;
    applyBidiState(allBidiStateProperties);
    bidiArrowKeySwap = options.initialBidiArrowKeySwap;
    savedBidiPrivateModes.clear();
    endSynchronizedOutput();
    options.rows = rows;
    options.cols = cols;
    // A reset does not show a cursor the program hid.
    const bool hidden = cursorHidden;
    resetSemanticPromptState(true);
    clearAllKittyImages();
    setup(true);
    cursorHidden = hidden;
    updateRange(0);
    updateRange(rows - 1);
    if (m_delegate)
        m_delegate->bufferActivated(*this);
}

} // namespace zentrova
