// The user's own bytes on their way to the program, and the arrow keys that follow a row's direction.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/TerminalBidi.h"

namespace zentrova {
namespace {

// The direction the cursor's row is read in: what the program set for an explicit row, else the
// direction its paragraph was laid out in.
BidiDirection cursorRowDirection(Terminal& terminal, int cols, uint64_t font)
{
    Buffer& buffer = terminal.buffer();
    const int row = buffer.yBase() + buffer.y();
    if (row < 0 || row >= buffer.lines().count())
        return BidiDirection::leftToRight;
    const BidiPresentationState& state = buffer.line(row).bidiState();
    if (state.supportMode == BidiSupportMode::explicit_)
        return state.fallbackDirection;
    if (const auto paragraph = TerminalBidi::paragraphResult(row, buffer, cols, terminal, font))
        return paragraph->baseDirection;
    return state.fallbackDirection;
}

} // namespace

void TerminalView::send(std::span<const uint8_t> data)
{
    {
        std::lock_guard lock(m_userInputLock);
        m_lastUserInput = m_displayQueue->now();
    }
    ensureCaretIsVisible();
    // The terminal watches the user's bytes for a submitted line, then hands them to send() below.
    m_terminal->sendUserInput(data);
}

bool TerminalView::horizontalKeysSwapped()
{
    return m_terminal->bidiArrowKeySwap && m_bidiHostPolicy == BidiHostPolicy::respectTerminal
        && cursorRowDirection(*m_terminal, m_terminal->cols, m_fontIdentity) == BidiDirection::rightToLeft;
}

KittyFunctionalKey TerminalView::horizontalKeyOnScreen(KittyFunctionalKey key)
{
    using Key = KittyFunctionalKey;
    const bool horizontal = key == Key::left || key == Key::right || key == Key::keypadLeft || key == Key::keypadRight;
    if (!horizontal || !horizontalKeysSwapped())
        return key;
    switch (key) {
    case Key::left: return Key::right;
    case Key::right: return Key::left;
    case Key::keypadLeft: return Key::keypadRight;
    default: return Key::keypadLeft;
    }
}

void TerminalView::sendHorizontalKey(bool left)
{
    if (horizontalKeysSwapped())
        left = !left;
    const uint8_t key[] = { 0x1B, uint8_t(m_terminal->applicationCursor ? 'O' : '['), uint8_t(left ? 'D' : 'C') };
    send(key);
}

} // namespace zentrova
