// From pointer positions to cells and xterm button values, and the pointer tracking and autoscroll
// timer the mouse handling runs on.

#include "ZentrovaView/TerminalView.h"

#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

namespace zentrova {

TerminalView::MouseHit TerminalView::calculateMouseHit(QPointF point)
{
    const CellGeometry cells = cellGeometry();
    Buffer& buffer = m_terminal->buffer();
    const int cols = m_terminal->cols;
    int col = std::clamp(cells.columnAt(point.x()), 0, cols - 1);
    const int row = std::clamp(cells.rowAt(point.y()) + buffer.yDisp(), 0, buffer.lines().count() - 1);
    // A reordered row shows another logical cell at this place; the click means that cell.
    if (const auto layout = bidiLayout(row, buffer.line(row), cols); layout && col < int(layout->visualToLogicalCol.size()))
        col = layout->visualToLogicalCol[size_t(col)];
    const int pixelX = int(std::clamp(point.x(), 0.0, double(width())));
    const int pixelY = int(std::clamp(point.y(), 0.0, double(height())));
    return { { col, row }, { pixelX, pixelY } };
}

int TerminalView::encodeMouseEvent(const QMouseEvent& event, bool overwriteRelease) const
{
    const bool release = overwriteRelease || event.type() == QEvent::MouseButtonRelease;
    const Qt::KeyboardModifiers held = event.modifiers();
    // Only the primary and the middle button are routed here: the engine's buttons 0 and 1.
    const int button = event.button() == Qt::MiddleButton ? 1 : 0;
    return m_terminal->encodeButton(button, release, held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::AltModifier),
                                    held.testFlag(Qt::ControlModifier));
}

bool TerminalView::mouseReportingApplies(Qt::KeyboardModifiers modifiers) const
{
    // Shift is the user's way past a program that takes the mouse, unless the program asked for it too.
    return m_allowMouseReporting && (!modifiers.testFlag(Qt::ShiftModifier) || m_terminal->mouseShiftCapture);
}

void TerminalView::sharedMouseEvent(const QMouseEvent& event)
{
    sendMouseReport(encodeMouseEvent(event, false), calculateMouseHit(event.position()));
}

void TerminalView::sendMouseReport(int buttonFlags, const MouseHit& hit)
{
    const int screenRow = std::clamp(hit.grid.row - m_terminal->buffer().yDisp(), 0, m_terminal->rows - 1);
    m_terminal->sendEvent(buttonFlags, hit.grid.col, screenRow, hit.pixels.col, hit.pixels.row);
}

void TerminalView::startTracking()
{
    setMouseTracking(true);
}

void TerminalView::deregisterTrackingInterest()
{
    if (m_terminal->mouseMode() == MouseMode::anyEvent || m_commandActive || m_linkHighlightMode == LinkHighlightMode::hover)
        return;
    setMouseTracking(false);
}

void TerminalView::mouseModeChanged(Terminal& source)
{
    if (source.mouseMode() == MouseMode::anyEvent)
        startTracking();
    else if (m_terminal) // the terminal reports its first mode while it is made, before the view holds it
        deregisterTrackingInterest();
}

void TerminalView::startSelectionAutoScrollTimer()
{
    if (!m_selectionAutoScrollTimer) {
        m_selectionAutoScrollTimer = new QTimer(this);
        m_selectionAutoScrollTimer->setInterval(50);
        connect(m_selectionAutoScrollTimer, &QTimer::timeout, this, &TerminalView::scrollingTimerElapsed);
    }
    if (!m_selectionAutoScrollTimer->isActive())
        m_selectionAutoScrollTimer->start();
}

void TerminalView::stopSelectionAutoScrollTimer()
{
    if (m_selectionAutoScrollTimer)
        m_selectionAutoScrollTimer->stop();
}

} // namespace zentrova
