// Feeding the terminal and pacing its redraws: output only widens the terminal's dirty rows until the
// next paced redraw turns them into a repaint rectangle, unless the user has just typed.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"
#include "Zentrova/Text/TerminalBidi.h"
#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/TerminalDebugView.h"
#include "ZentrovaView/TerminalProgressBarView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <QThread>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

// Redraws under steady output come at most once a frame at 60 Hz (16.67 ms, rounded up to the
// queue's whole milliseconds).
constexpr std::chrono::milliseconds redrawDelay { 17 };
// Output within this long of the user's own input is drawn at once, so typing never waits a frame.
constexpr std::chrono::nanoseconds interactiveInputDisplayWindow { 150'000'000 };

} // namespace

void TerminalView::setDisplayQueue(MainQueue& queue)
{
    if (m_pendingDisplayHandle)
        m_pendingDisplayHandle->cancel();
    m_pendingDisplayHandle.reset();
    m_pendingDisplay = false;
    m_displayQueue = &queue;
    m_caretView->setQueue(queue);
    m_progressBarView->setQueue(queue);
    if (m_progressReportTimer)
        resetProgressReportTimer();
    if (m_textBlinkTimer) {
        cancelTextBlinkTimer();
        scheduleTextBlinkTick();
    }
}

void TerminalView::feed(std::span<const uint8_t> bytes)
{
    if (m_allowMouseReporting && m_selection && m_selection->active())
        m_selection->selectNone();
    m_terminal->feed(bytes);
    invalidateSearch();
    if (shouldDisplayImmediatelyAfterUserInput())
        displayImmediately();
    else
        queuePendingDisplay();
}

void TerminalView::feed(std::string_view text)
{
    feed(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool TerminalView::shouldDisplayImmediatelyAfterUserInput() const
{
    if (m_terminal->synchronizedOutputActive)
        return false;
    std::lock_guard lock(m_userInputLock);
    if (m_lastUserInput.count() == 0)
        return false;
    const auto now = m_displayQueue->now();
    return now >= m_lastUserInput && now - m_lastUserInput <= interactiveInputDisplayWindow;
}

void TerminalView::queuePendingDisplay()
{
    if (!m_terminal || m_terminal->synchronizedOutputActive || m_pendingDisplay)
        return;
    m_pendingDisplay = true;
    m_pendingDisplayHandle = m_displayQueue->postAfter(redrawDelay, [this] { runPendingDisplay(); });
}

void TerminalView::displayImmediately()
{
    if (QThread::currentThread() == thread()) {
        runPendingDisplay();
        return;
    }
    if (m_pendingDisplay.exchange(true))
        return;
    QPointer<TerminalView> view(this);
    QMetaObject::invokeMethod(
        this,
        [view] {
            if (view)
                view->runPendingDisplay();
        },
        Qt::QueuedConnection);
}

void TerminalView::runPendingDisplay()
{
    // An immediate redraw does the work of the paced one that may be waiting.
    if (m_pendingDisplayHandle)
        m_pendingDisplayHandle->cancel();
    m_pendingDisplayHandle.reset();
    updateDisplay();
    if (m_debug)
        m_debug->update();
    m_pendingDisplay = false;
}

void TerminalView::updateDisplay()
{
    if (m_terminal->synchronizedOutputActive) {
        m_pendingDisplay = false;
        return;
    }
    updateTextBlinkLifecycle();
    updateCursorPosition();
    const auto range = m_terminal->getUpdateRange();
    if (!range) {
        if (m_notifyUpdateChanges && m_terminalDelegate) {
            Buffer& buffer = m_terminal->buffer();
            const int cursorRow = buffer.yBase() + buffer.y();
            m_terminalDelegate->rangeChanged(*this, cursorRow, cursorRow);
        }
        return;
    }
    if (m_notifyUpdateChanges && m_terminalDelegate)
        m_terminalDelegate->rangeChanged(*this, range->first, range->second);
    m_terminal->clearUpdateRange();
    const auto [first, last] = paragraphDirtyRows(range->first, range->second);
    if (first <= last)
        update(dirtyRowsRect(first, last));
    m_pendingDisplay = false;
}

std::pair<int, int> TerminalView::paragraphDirtyRows(int first, int last)
{
    Buffer& buffer = m_terminal->buffer();
    const int count = buffer.lines().count();
    const int yDisp = buffer.yDisp();
    if (count > 0) {
        const auto widened = TerminalBidi::renderingDependencyRange(
            { std::clamp(first + yDisp, 0, count - 1), std::clamp(last + yDisp, 0, count - 1) }, buffer,
            m_terminal->options.maximumBidiParagraphRows());
        first = widened.first - yDisp;
        last = widened.last - yDisp;
    }
    return { std::max(first, 0), std::min(last, m_terminal->rows - 1) };
}

QRect TerminalView::dirtyRowsRect(int first, int last) const
{
    const Buffer& buffer = m_terminal->buffer();
    if (!m_cellDimension || buffer.yDisp() != buffer.yBase())
        return rect();
    const double cellHeight = m_cellDimension->height();
    const double top = cellHeight * first;
    // The last row takes the partial strip below it; any other range one row more, for what draws
    // past its row's bottom (underlines, tall glyphs).
    const double bottom = last == m_terminal->rows - 1 ? height() : std::min(cellHeight * (last + 2), double(height()));
    return QRectF(0, top, width(), bottom - top).toAlignedRect();
}

} // namespace zentrova
