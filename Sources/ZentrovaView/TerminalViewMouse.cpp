// Pointer events: each is either reported to the child in its mouse mode and encoding, or handled
// here: selection with autoscroll (which becomes the primary selection), a middle click that pastes
// it, scrollback by wheel, arrow keys for the wheel on the alternate screen, links, and a click in the
// shell's prompt that moves its cursor once no second click follows.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

constexpr int motionFlag = 32;
// The engine's button numbers of the wheel: up and down.
constexpr int wheelUpButton = 4, wheelDownButton = 5;

bool reportsButtons(MouseMode mode)
{
    return mode == MouseMode::vt200 || mode == MouseMode::buttonEventTracking || mode == MouseMode::anyEvent;
}

bool reportsDrags(MouseMode mode)
{
    return mode == MouseMode::buttonEventTracking || mode == MouseMode::anyEvent;
}

// Lines per autoscroll tick for a pointer `distance` rows past the edge (0: the first row outside).
int autoScrollSpeed(int distance, int rows)
{
    if (distance < 2)
        return 1;
    if (distance < 6)
        return 3;
    if (distance < 10)
        return 10;
    return std::max(20, rows);
}

SemanticPromptClickModifiers promptClickModifiers(Qt::KeyboardModifiers held)
{
    SemanticPromptClickModifiers modifiers;
    if (held.testFlag(Qt::ShiftModifier))
        modifiers = modifiers | SemanticPromptClickModifiers::shift;
    if (held.testFlag(Qt::ControlModifier))
        modifiers = modifiers | SemanticPromptClickModifiers::control;
    if (held.testFlag(Qt::AltModifier))
        modifiers = modifiers | SemanticPromptClickModifiers::option;
    // Super stands for the Command key.
    if (held.testFlag(Qt::MetaModifier))
        modifiers = modifiers | SemanticPromptClickModifiers::command;
    return modifiers;
}

} // namespace

void TerminalView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        middleButton(*event);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    mouseDown(*event, clickCountFor(*event, false));
    event->accept();
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    mouseDown(*event, clickCountFor(*event, true));
    event->accept();
}

void TerminalView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        middleButton(*event);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    mouseUp(*event);
    event->accept();
}

void TerminalView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons().testFlag(Qt::LeftButton))
        mouseDragged(*event);
    else if (event->buttons() == Qt::NoButton)
        mouseMoved(*event);
    event->accept();
}

void TerminalView::leaveEvent(QEvent* event)
{
    turnOffUrlPreview();
    if (m_linkHighlightMode == LinkHighlightMode::hover || m_linkHighlightMode == LinkHighlightMode::hoverWithModifier)
        setLinkHighlightRange(std::nullopt);
    QWidget::leaveEvent(event);
}

void TerminalView::wheelEvent(QWheelEvent* event)
{
    scrollWheel(*event);
    event->accept();
}

int TerminalView::clickCountFor(const QMouseEvent& event, bool doubleClick)
{
    const QStyleHints* hints = QGuiApplication::styleHints();
    int count = 1;
    if (m_lastPress && event.timestamp() - m_lastPress->timestamp <= quint64(hints->mouseDoubleClickInterval())
        && (event.position() - m_lastPress->position).manhattanLength() <= hints->mouseDoubleClickDistance())
        count = m_lastPress->clickCount + 1;
    if (doubleClick)
        count = std::max(count, 2);
    m_lastPress = LastPress { event.timestamp(), event.position(), count };
    return count;
}

void TerminalView::mouseDown(const QMouseEvent& event, int clickCount)
{
    // A second press makes a double click of a waiting prompt click: it must not move the cursor.
    if (m_semanticClickTimer)
        m_semanticClickTimer->stop();
    m_pendingSemanticClick.reset();
    m_didSelectionDrag = false;
    m_selectionPressPosition.reset();
    SelectionService& selection = ensureSelection();
    m_pointerPressSnapshot = { selection.active(), false, clickCount, false };

    if (mouseReportingApplies(event.modifiers()) && reportsButtons(m_terminal->mouseMode())) {
        sharedMouseEvent(event);
        return;
    }
    m_pointerPressSnapshot.pressWasSemanticEligible = true;
    const Position hit = calculateMouseHit(event.position()).grid;
    m_selectionPressPosition = hit;
    switch (clickCount) {
    case 1:
        if (selection.active() && event.modifiers().testFlag(Qt::ShiftModifier))
            selection.shiftExtend(hit);
        else
            selection.selectNone();
        break;
    case 2:
        selection.selectWordOrExpression(hit, m_terminal->buffer());
        break;
    default:
        selection.select(hit.row);
        break;
    }
    update();
}

void TerminalView::middleButton(const QMouseEvent& event)
{
    if (mouseReportingApplies(event.modifiers()) && reportsButtons(m_terminal->mouseMode())) {
        sharedMouseEvent(event);
        return;
    }
    // A quick second click arrives as a double click: it pastes again.
    if (event.type() != QEvent::MouseButtonRelease)
        pastePrimarySelection();
}

void TerminalView::mouseDragged(const QMouseEvent& event)
{
    const MouseHit hit = calculateMouseHit(event.position());
    const MouseMode mode = m_terminal->mouseMode();
    if (mouseReportingApplies(event.modifiers()) && mode != MouseMode::off) {
        if (reportsDrags(mode))
            sendMouseReport(encodeMouseEvent(event, false) + motionFlag, hit);
        return;
    }

    SelectionService& selection = ensureSelection();
    if (selection.active()) {
        selection.dragExtend(hit.grid);
    } else {
        // From where the button went down: the first move may already be cells away.
        selection.setSoftStart(m_selectionPressPosition.value_or(hit.grid));
        selection.startSelection();
        if (m_selectionPressPosition && *m_selectionPressPosition != hit.grid)
            selection.dragExtend(hit.grid);
    }
    m_didSelectionDrag = true;
    m_lastSelectionDragPoint = event.position();
    m_autoScrollDelta = 0;

    if (selection.active()) {
        // Rows past the edges, counted from the first row outside the screen. A drag inside the
        // top row does not scroll: selecting there would otherwise pull the scrollback in.
        const int rows = m_terminal->rows;
        const int d = hit.grid.row - m_terminal->buffer().yDisp();
        const bool abovePointer = event.position().y() < 0;
        if (abovePointer && d <= 0)
            m_autoScrollDelta = -autoScrollSpeed(-d - 1, rows);
        else if (d >= rows)
            m_autoScrollDelta = autoScrollSpeed(d - rows, rows);
        if (m_autoScrollDelta != 0)
            startSelectionAutoScrollTimer();
        else
            stopSelectionAutoScrollTimer();
    }
    update();
}

void TerminalView::scrollingTimerElapsed()
{
    if (m_autoScrollDelta == 0)
        return;
    if (m_autoScrollDelta < 0)
        scrollTo(std::max(0, m_terminal->buffer().yDisp() + m_autoScrollDelta));
    else
        scrollDown(m_autoScrollDelta);
    if (m_selection && m_selection->active() && m_lastSelectionDragPoint)
        m_selection->dragExtend(calculateMouseHit(*m_lastSelectionDragPoint).grid);
    update();
}

void TerminalView::mouseUp(const QMouseEvent& event)
{
    stopSelectionAutoScrollTimer();
    m_autoScrollDelta = 0;
    m_lastSelectionDragPoint.reset();
    SemanticPromptPointerSnapshot snapshot = m_pointerPressSnapshot;
    snapshot.didDrag = m_didSelectionDrag;
    m_didSelectionDrag = false;
    m_pointerPressSnapshot.pressWasSemanticEligible = false;
    // The press was the view's own (not the program's): whatever it selected is the primary selection.
    if (snapshot.pressWasSemanticEligible)
        setPrimarySelectionFromSelection();

    const MouseHit hit = calculateMouseHit(event.position());
    const bool commandHeld = event.modifiers().testFlag(Qt::ControlModifier);
    updateHoverLink(hit.grid, m_commandActive || commandHeld);
    if (!snapshot.didDrag) {
        if (const auto link = linkForClick(hit.grid, commandHeld)) {
            if (m_terminalDelegate)
                m_terminalDelegate->requestOpenLink(*this, link->link, link->params);
            return;
        }
    }

    const MouseMode mode = m_terminal->mouseMode();
    if (mouseReportingApplies(event.modifiers()) && mode != MouseMode::off) {
        // The engine encodes whatever it is given; x10 reports presses only.
        if (mode != MouseMode::x10)
            sharedMouseEvent(event);
        return;
    }

    if (snapshot.clickCount != 1)
        return;
    const SemanticPromptClickModifiers modifiers = promptClickModifiers(event.modifiers());
    if (!m_terminal->mightRouteSemanticPromptClick(modifiers, snapshot))
        return;
    const BufferLine* line = m_terminal->bufferLine(hit.grid.row);
    if (!line)
        return;
    m_semanticDeferralScheduleCount++;
    m_pendingSemanticClick = PendingSemanticClick { line, line->recycleGeneration(), hit.grid, modifiers, snapshot };
    if (!m_semanticClickTimer) {
        m_semanticClickTimer = new QTimer(this);
        m_semanticClickTimer->setSingleShot(true);
        connect(m_semanticClickTimer, &QTimer::timeout, this, &TerminalView::runPendingSemanticClick);
    }
    m_semanticClickTimer->start(std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval()));
}

void TerminalView::runPendingSemanticClick()
{
    const auto click = std::exchange(m_pendingSemanticClick, std::nullopt);
    if (!click)
        return;
    // The row may have moved (output scrolled it) or gone; the line object tells. Its address is
    // compared, never followed: it may be gone.
    const auto row = m_terminal->buffer().findRow(click->position.row, [&](const BufferLine& candidate) {
        return &candidate == click->line && candidate.recycleGeneration() == click->recycleGeneration;
    });
    if (!row)
        return;
    if (m_terminal->handleSemanticPromptClick({ click->position.col, *row }, click->modifiers, click->snapshot))
        update();
}

void TerminalView::mouseMoved(const QMouseEvent& event)
{
    const MouseHit hit = calculateMouseHit(event.position());
    if (m_commandActive) {
        if (const auto payload = payloadString(hit.grid))
            previewUrl(*payload);
        reportLink(hit.grid);
    }
    updateHoverLink(hit.grid, std::nullopt);
    if (m_terminal->mouseMode() == MouseMode::anyEvent && mouseReportingApplies(event.modifiers()))
        sendMouseReport(encodeMouseEvent(event, true) + motionFlag, hit);
}

void TerminalView::scrollWheel(const QWheelEvent& event)
{
    const bool precise = !event.pixelDelta().isNull();
    const int delta = precise ? event.pixelDelta().y() : event.angleDelta().y();
    if (delta == 0 || !m_cellDimension || m_cellDimension->height() <= 0)
        return;
    const MouseMode mode = m_terminal->mouseMode();
    const bool reported = mouseReportingApplies(event.modifiers()) && mode != MouseMode::off;
    const bool alternate = m_terminal->isCurrentBufferAlternate();
    if (!reported && alternate && !m_terminal->alternateScrollMode) {
        m_scrollAccumulator = 0;
        return;
    }

    // Positive lines scroll up, towards older output.
    int lines = 0;
    if (precise) {
        const double cellHeight = m_cellDimension->height();
        m_scrollAccumulator += delta * m_scrollSensitivity;
        lines = int(m_scrollAccumulator / cellHeight);
        m_scrollAccumulator -= lines * cellHeight;
        if (lines == 0)
            return;
    } else {
        m_scrollAccumulator = 0;
        const double notches = delta / 120.0;
        const double scaled = notches * QGuiApplication::styleHints()->wheelScrollLines() * m_scrollSensitivity;
        lines = int(std::lround(scaled));
        if (lines == 0)
            lines = scaled > 0 ? 1 : -1;
    }
    const int count = std::abs(lines);
    const bool up = lines > 0;

    if (reported) {
        const Qt::KeyboardModifiers held = event.modifiers();
        const int flags = m_terminal->encodeButton(up ? wheelUpButton : wheelDownButton, false,
                                                   held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::AltModifier),
                                                   held.testFlag(Qt::ControlModifier));
        const MouseHit hit = calculateMouseHit(event.position());
        for (int i = 0; i < count; i++)
            sendMouseReport(flags, hit);
        return;
    }
    if (!alternate) {
        if (up)
            scrollTo(std::max(0, m_terminal->buffer().yDisp() - count));
        else
            scrollDown(count);
        return;
    }
    // The alternate screen has no scrollback: the program gets cursor keys to scroll its own text.
    const std::string_view key = m_terminal->applicationCursor ? (up ? "\x1bOA" : "\x1bOB") : (up ? "\x1b[A" : "\x1b[B");
    for (int i = 0; i < count; i++)
        send(std::span(reinterpret_cast<const uint8_t*>(key.data()), key.size()));
}

} // namespace zentrova
