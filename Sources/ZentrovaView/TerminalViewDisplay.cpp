// Feeding the terminal and pacing its redraws: output only widens the terminal's dirty rows until the
// next paced redraw turns them into a repaint rectangle, unless the user has just typed.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"
#include "Zentrova/Text/TerminalBidi.h"
#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/Gpu/MetalSurface.h"
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
// Columns past a row's last inked cell that its glyphs may still reach (italic and fallback faces
// overhang their cells).
constexpr int overhangColumns = 2;

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
        // The GPU renderer draws the cursor: a moved or hidden cursor needs a frame of its own.
        if (m_metalView) {
            const auto drawn = m_lastRenderedCursor;
            noteMetalCursor();
            if (drawn != m_lastRenderedCursor)
                m_metalView->setNeedsDisplay();
        }
        return;
    }
    if (m_notifyUpdateChanges && m_terminalDelegate)
        m_terminalDelegate->rangeChanged(*this, range->first, range->second);
    m_terminal->clearUpdateRange();
    const auto [first, last] = paragraphDirtyRows(range->first, range->second);
    if (m_metalView)
        noteMetalDirtyRows(first, last);
    else if (first <= last)
        update(dirtyRowsRect(first, last));
    m_accessibility.postChanges(*this);
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

QRect TerminalView::dirtyRowsRect(int first, int last)
{
    const Buffer& buffer = m_terminal->buffer();
    if (!m_cellDimension || buffer.yDisp() != buffer.yBase())
        return rect();
    const double cellHeight = m_cellDimension->height();
    const double top = cellHeight * first;
    // The last row takes the partial strip below it; any other range one row more, for what draws
    // past its row's bottom (underlines, tall glyphs).
    const double bottom = last == m_terminal->rows - 1 ? height() : std::min(cellHeight * (last + 2), double(height()));
    // Columns that none of the repainted rows showed or will show anything in keep their background:
    // most output leaves the right of the screen blank.
    const int cols = m_terminal->cols;
    int columns = 0;
    for (int row = first; row <= std::min(last + 1, m_terminal->rows - 1) && columns < cols; row++) {
        const int shown = row >= 0 && size_t(row) < m_shownInkColumns.size() ? m_shownInkColumns[size_t(row)] : cols;
        columns = std::max({ columns, shown, inkColumns(buffer.yDisp() + row) });
    }
    const double textWidth = usableWidth(width());
    const double right = columns >= cols ? textWidth : std::min(textWidth, m_cellDimension->width() * columns);
    return QRectF(0, top, right, bottom - top).toAlignedRect();
}

int TerminalView::inkColumns(int row)
{
    Buffer& buffer = m_terminal->buffer();
    const int cols = m_terminal->cols;
    if (row < 0 || row >= buffer.lines().count())
        return 0;
    const BufferLine& line = buffer.line(row);
    if (line.images() || line.renderMode() != BufferLine::RenderLineMode::single || bidiLayout(row, line, cols))
        return cols;
    int past = 0;
    for (int col = std::min(line.count(), cols) - 1; col >= 0; col--) {
        const CharData& cell = line[col];
        if ((cell.code() != 0 && cell.code() != ' ') || !cell.hasDefaultAttribute() || cell.hasPayload()) {
            past = col + std::max(cell.width(), 1);
            break;
        }
    }
    if (const auto selected = selectedColumnsRange(row, cols))
        past = std::max(past, selected->second);
    return std::min(past + overhangColumns, cols);
}

void TerminalView::noteShownInk(const QRegion& painted)
{
    const int rows = m_terminal->rows;
    if (m_shownInkColumns.size() != size_t(rows))
        m_shownInkColumns.assign(size_t(rows), m_terminal->cols);
    if (!m_cellDimension || painted.isEmpty())
        return;
    const CellGeometry cells = cellGeometry();
    const QRect bounds = painted.boundingRect();
    const int yDisp = m_terminal->buffer().yDisp();
    for (int row = std::max(cells.rowAt(bounds.top()), 0); row <= std::min(cells.rowAt(bounds.bottom()), rows - 1);
         row++) {
        int& shown = m_shownInkColumns[size_t(row)];
        const QRect before
            = QRectF(0, cells.rowTop(row), m_cellDimension->width() * shown, cells.cellSize().height()).toAlignedRect();
        const int ink = inkColumns(yDisp + row);
        shown = (QRegion(before) - painted).isEmpty() ? ink : std::max(shown, ink);
    }
}

} // namespace zentrova
