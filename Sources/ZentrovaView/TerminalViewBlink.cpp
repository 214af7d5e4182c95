// Blinking text: one repeating timer while blinking cells are on screen, the view is shown, the
// application is active and the user has not asked for less motion; otherwise the text stays shown.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/Gpu/MetalSurface.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>

namespace zentrova {

void TerminalView::setupTextBlinking()
{
    if (m_textBlinkObserved)
        return;
    m_textBlinkObserved = true;
    m_textBlinkApplicationActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        m_textBlinkApplicationActive = state == Qt::ApplicationActive;
        updateTextBlinkLifecycle();
        if (m_textBlinkApplicationActive && isMetalRendererEligibleForRetry())
            metalSurface()->setNeedsDisplay();
    });
    updateTextBlinkLifecycle();
}

void TerminalView::setMotionPreference(const MotionPreference& preference)
{
    m_motionPreference = &preference;
    updateTextBlinkLifecycle();
}

std::vector<int> TerminalView::visibleBlinkRows()
{
    Buffer& buffer = m_terminal->buffer();
    const int first = std::max(buffer.yDisp(), 0);
    const int end = std::min(buffer.yDisp() + m_terminal->rows, buffer.lines().count());
    std::vector<int> rows;
    for (int row = first; row < end; ++row) {
        const BufferLine& line = buffer.line(row);
        // A short row's last cell stands for the columns beyond it, so reading up to it is enough.
        const int cells = std::min(line.count(), m_terminal->cols);
        for (int col = 0; col < cells; ++col) {
            if (line[col].attribute().style.contains(CharacterStyle::blink)) {
                rows.push_back(row);
                break;
            }
        }
    }
    return rows;
}

void TerminalView::updateTextBlinkLifecycle()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this,
            [view = QPointer<TerminalView>(this)] {
                if (view)
                    view->updateTextBlinkLifecycle();
            },
            Qt::QueuedConnection);
        return;
    }
    const std::vector<int> rows = visibleBlinkRows();
    const bool blinking = isVisible() && m_textBlinkApplicationActive && !m_motionPreference->reduceMotion() && !rows.empty();
    if (blinking) {
        if (!m_textBlinkTimer) {
            m_textBlinkVisible = true;
            scheduleTextBlinkTick();
        }
        return;
    }
    cancelTextBlinkTimer();
    if (!m_textBlinkVisible) {
        m_textBlinkVisible = true;
        markBlinkRowsDirty(rows);
        queuePendingDisplay();
    }
}

void TerminalView::stopTextBlinking()
{
    cancelTextBlinkTimer();
    m_textBlinkVisible = true;
    disconnect(qGuiApp, &QGuiApplication::applicationStateChanged, this, nullptr);
    m_textBlinkObserved = false;
}

void TerminalView::scheduleTextBlinkTick()
{
    m_textBlinkTimer = m_displayQueue->postAfter(textBlinkPeriod, [this] {
        m_textBlinkVisible = !m_textBlinkVisible;
        markBlinkRowsDirty(visibleBlinkRows());
        queuePendingDisplay();
        scheduleTextBlinkTick();
    });
}

void TerminalView::cancelTextBlinkTimer()
{
    if (m_textBlinkTimer)
        m_textBlinkTimer->cancel();
    m_textBlinkTimer.reset();
}

void TerminalView::markBlinkRowsDirty(const std::vector<int>& rows)
{
    const int top = m_terminal->buffer().yDisp();
    for (const int row : rows)
        m_terminal->updateRange(row - top);
}

} // namespace zentrova
