#include "ZentrovaView/Gpu/MetalSurface.h"

#include "ZentrovaView/TerminalView.h"

#include <algorithm>
#include <utility>

namespace zentrova {

MetalSurface::MetalSurface(QWidget& widget, TerminalView& terminalView, MainQueue& queue)
    : m_widget(widget)
    , m_alive(&widget)
    , m_terminalView(&terminalView)
    , m_queue(queue)
{
}

MetalSurface::~MetalSurface()
{
    stopCursorBlinkTimer();
    if (m_frameCoordinator)
        m_frameCoordinator->invalidate();
}

MetalFrameCoordinator& MetalSurface::frameCoordinator()
{
    if (m_frameCoordinator)
        return *m_frameCoordinator;
    // The callbacks run with the coordinator alive, hence the surface (its only owner) too; what they
    // post checks again when it runs.
    const QPointer<QWidget> alive = m_alive;
    const QPointer<TerminalView> view = m_terminalView;
    m_frameCoordinator = MetalFrameCoordinator::make(
        m_queue,
        {
            .isRetryEligible = [view] { return view && view->isMetalRendererEligibleForRetry(); },
            .requestDraw =
                [this, alive](MetalFrameRefusalReason) {
                    m_queue.post([alive] {
                        if (alive)
                            alive->update();
                    });
                },
            .requestRecovery =
                [this, alive, view](const MetalRendererRecoveryReport& report) {
                    m_queue.post([this, alive, view, report] {
                        if (alive && view)
                            view->metalRendererRequiresRecovery(*this, report);
                    });
                },
            .becameIdle =
                [this, alive, view] {
                    // Only a retired surface has anything to do once idle (one retired while idle
                    // goes at once), so the others post nothing: completing a steady frame allocates
                    // nothing. Frames complete on the main thread here (their fences are polled there).
                    if (!view || std::ranges::none_of(view->retiredMetalRenderers(),
                                                      [this](const auto& retired) { return retired.get() == this; }))
                        return;
                    m_queue.post([this, alive, view] {
                        if (alive && view)
                            view->removeRetiredMetalRenderer(*this);
                    });
                },
        });
    return *m_frameCoordinator;
}

void MetalSurface::recordPresentedFrame()
{
    m_lastPresentedAt = std::chrono::system_clock::now();
    m_unreportedPresentations++;
    if (!m_presentationReport)
        m_presentationReport = m_queue.makeTimer([this] { reportPresentedFrames(); });
    if (!m_presentationReport->isActive())
        m_presentationReport->start(std::chrono::milliseconds(0));
}

void MetalSurface::reportPresentedFrames()
{
    // What hears of the frame may drop this surface.
    const QPointer<QWidget> alive = m_alive;
    const QPointer<TerminalView> view = m_terminalView;
    const auto at = m_lastPresentedAt;
    for (int count = std::exchange(m_unreportedPresentations, 0); count > 0 && alive && view; count--)
        view->metalRendererDidPresentAt(*this, at);
}

void MetalSurface::updateCursorBlinkTimer(bool shouldBlink)
{
    if (shouldBlink && !m_cursorBlinkTimer) {
        m_cursorBlinkOn = true;
        scheduleCursorBlink();
    } else if (!shouldBlink && m_cursorBlinkTimer) {
        stopCursorBlinkTimer();
    }
}

void MetalSurface::stopCursorBlinkTimer()
{
    if (m_cursorBlinkTimer)
        m_cursorBlinkTimer->cancel();
    m_cursorBlinkTimer.reset();
    m_cursorBlinkOn = true;
}

void MetalSurface::scheduleCursorBlink()
{
    m_cursorBlinkTimer = m_queue.postAfter(cursorBlinkInterval, [this, alive = m_alive] {
        if (!alive)
            return;
        m_cursorBlinkOn = !m_cursorBlinkOn;
        m_widget.update();
        scheduleCursorBlink();
    });
}

} // namespace zentrova
