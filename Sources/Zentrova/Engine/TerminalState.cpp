// Dirty rows, synchronized output, payload collection, character-set invocation, titles and the cursor's visibility.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

namespace zentrova {

void Terminal::updateFullScreen()
{
    // Inclusive ends, like every other writer of the ranges.
    refreshStart = 0;
    refreshEnd = rows - 1;
    scrollInvariantRefreshStart = m_buffer->yDisp();
    scrollInvariantRefreshEnd = m_buffer->yDisp() + rows - 1;
}

void Terminal::refresh(int startRow, int endRow)
{
    updateRange(startRow);
    updateRange(endRow);
}

std::optional<std::pair<int, int>> Terminal::getUpdateRange() const
{
    if (refreshStart == INT_MAX && refreshEnd == -1)
        return std::nullopt;
    return std::pair { refreshStart, refreshEnd };
}

std::optional<std::pair<int, int>> Terminal::getScrollInvariantUpdateRange() const
{
    if (scrollInvariantRefreshStart == INT_MAX && scrollInvariantRefreshEnd == -1)
        return std::nullopt;
    return std::pair { scrollInvariantRefreshStart, scrollInvariantRefreshEnd };
}

void Terminal::clearUpdateRange()
{
    refreshStart = scrollInvariantRefreshStart = INT_MAX;
    refreshEnd = scrollInvariantRefreshEnd = -1;
}

void Terminal::beginSynchronizedOutput()
{
    const bool wasActive = synchronizedOutputActive;
    synchronizedOutputActive = true;
    scheduleSynchronizedOutputTimeout();
    if (!wasActive && m_delegate)
        m_delegate->synchronizedOutputChanged(*this, true);
}

void Terminal::scheduleSynchronizedOutputTimeout()
{
    if (m_synchronizedOutputTimeout)
        m_synchronizedOutputTimeout->cancel();
    m_synchronizedOutputTimeout.reset();
    if (!m_mainQueue)
        return;
    // The terminal cancels the item when it goes, so the item never outlives it.
    const auto delay = std::chrono::milliseconds(int64_t(synchronizedOutputTimeoutSeconds * 1000));
    m_synchronizedOutputTimeout = m_mainQueue->postAfter(delay, [this] {
        if (synchronizedOutputActive)
            endSynchronizedOutput();
    });
}

void Terminal::endSynchronizedOutput()
{
    if (!synchronizedOutputActive)
        return;
    synchronizedOutputActive = false;
    if (m_synchronizedOutputTimeout)
        m_synchronizedOutputTimeout->cancel();
    m_synchronizedOutputTimeout.reset();
    updateRange(0);
    updateRange(rows - 1);
    if (m_delegate)
        m_delegate->synchronizedOutputChanged(*this, false);
}

void Terminal::holdPayloadCode(uint16_t code)
{
    m_payloadCodes.insert(code);
}

void Terminal::garbageCollectPayload()
{
    if (m_payloadCodes.size() == 0)
        return;
    std::unordered_set<uint16_t> live;
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        for (int index = 0; index < each->lines().count(); index++) {
            const BufferLine& row = each->line(index);
            const CharData* cells = row.data();
            for (int col = 0; col < row.count(); col++) {
                if (cells[col].hasPayload())
                    live.insert(cells[col].payload().code);
            }
        }
    }
    if (activeHyperlink) {
        if (const auto* atom = std::get_if<TinyAtom>(&*activeHyperlink))
            live.insert(atom->code);
    }
    m_payloadCodes.collect(live);
}

void Terminal::setgLevel(uint8_t n)
{
    gLevel = n;
    charset = n < 4 ? gCharsets[n] : nullptr;
}

void Terminal::setgCharset(uint8_t n, const CharSets::CharSet* set)
{
    if (n >= 4)
        return;
    gCharsets[n] = set;
    if (n == gLevel)
        charset = set;
}

void Terminal::selectCharset(uint8_t intermediate, uint8_t final)
{
    uint8_t slot;
    switch (intermediate) {
    case '(':
        slot = 0;
        break;
    case ')':
    case '-':
        slot = 1;
        break;
    case '*':
    case '.':
        slot = 2;
        break;
    case '+':
    case '/':
        slot = 3;
        break;
    default:
        return;
    }
    const auto& sets = CharSets::all();
    const auto found = sets.find(final);
    if (found == sets.end())
        return;
    // The US set replaces nothing: no mapping, so printing keeps its plain ASCII path.
    setgCharset(slot, found->second.empty() ? nullptr : &found->second);
}

void Terminal::setTitle(const std::string& text)
{
    terminalTitle = text;
    if (m_delegate)
        m_delegate->setTerminalTitle(*this, text);
}

void Terminal::setIconTitle(const std::string& text)
{
    iconTitle = text;
    if (m_delegate)
        m_delegate->setTerminalIconTitle(*this, text);
}

void Terminal::showCursor()
{
    if (!cursorHidden)
        return;
    cursorHidden = false;
    if (m_delegate)
        m_delegate->showCursor(*this);
}

void Terminal::hideCursor()
{
    if (cursorHidden)
        return;
    cursorHidden = true;
    if (m_delegate)
        m_delegate->hideCursor(*this);
}

} // namespace zentrova
