#pragma once

#include "ZentrovaView/Gpu/MetalFrameCoordinator.h"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>

namespace zentrova {

class MainQueue;
class MetalTerminalRenderer;
class TerminalView;

// A GPU drawing surface inside a terminal view together with what drives its frames: the frame
// coordinator, wired to the view, and the cursor blink. It is the widget (MetalView draws with GL;
// tests use plain widgets) and the renderer the terminal view manages: the view makes, replaces,
// retires and drops surfaces, and a surface reports its presented frames and its need of recovery to
// the view that made it.
//
// Main thread only. What the coordinator asks for is posted to the terminal view's display queue and
// dropped once the surface or the view is gone.
class MetalSurface {
public:
    static constexpr std::chrono::milliseconds cursorBlinkInterval { 700 };

    MetalSurface(QWidget& widget, TerminalView& terminalView, MainQueue& queue);
    virtual ~MetalSurface();
    MetalSurface(const MetalSurface&) = delete;
    MetalSurface& operator=(const MetalSurface&) = delete;

    QWidget& widget() const { return m_widget; }
    TerminalView* terminalView() const { return m_terminalView; }
    // What draws the frames; nothing until the surface's GPU context exists (and never on a fake).
    virtual MetalTerminalRenderer* renderer() const { return nullptr; }
    // Draws one frame at once.
    virtual void drawNow() = 0;
    // Asks for a frame at the next opportunity.
    virtual void setNeedsDisplay() { m_widget.update(); }

    // Made on first use; the view invalidates it when it retires the surface.
    MetalFrameCoordinator& frameCoordinator();
    bool hasFrameCoordinator() const { return m_frameCoordinator != nullptr; }
    // For completion handlers, which must not keep the coordinator alive.
    std::weak_ptr<MetalFrameCoordinator> weakFrameCoordinator() { return (frameCoordinator(), m_frameCoordinator); }

    // The view takes its delegate away when it removes the surface: it draws nothing more.
    bool hasDelegate() const { return m_hasDelegate; }
    void clearDelegate() { m_hasDelegate = false; }

    // The phase the cursor is drawn in. While the cursor should blink a repeating 0.7 s timer flips
    // it and asks for a frame; otherwise the timer stops and the cursor stays in its visible phase.
    bool cursorBlinkOn() const { return m_cursorBlinkOn; }
    void updateCursorBlinkTimer(bool shouldBlink);
    void stopCursorBlinkTimer();
    bool cursorBlinkTimerRunning() const { return m_cursorBlinkTimer != nullptr; }

protected:
    // A frame reached the screen: the view hears of it on its queue. Frames presented before the
    // report runs are reported together, each counted, with the time of the last.
    void recordPresentedFrame();
    MainQueue& queue() const { return m_queue; }

private:
    void scheduleCursorBlink();
    void reportPresentedFrames();

    QWidget& m_widget;
    QPointer<QWidget> m_alive; // guards what was posted against the surface's destruction
    QPointer<TerminalView> m_terminalView;
    MainQueue& m_queue;
    std::shared_ptr<MetalFrameCoordinator> m_frameCoordinator;
    bool m_hasDelegate = true;
    bool m_cursorBlinkOn = true;
    std::shared_ptr<MainQueue::Handle> m_cursorBlinkTimer;
    // Made at the first presented frame and armed again for each: reporting allocates nothing.
    std::unique_ptr<MainQueue::Timer> m_presentationReport;
    int m_unreportedPresentations = 0;
    std::chrono::system_clock::time_point m_lastPresentedAt;
};

// Makes the GPU surfaces of terminal views: GL surfaces in the program, fakes in tests.
class MetalSurfaceFactory {
public:
    virtual ~MetalSurfaceFactory() = default;
    // Whether a GPU device can be had at all.
    virtual bool deviceAvailable() = 0;
    // A surface over `frame` as a child of `terminalView`, not yet shown. Throws MetalError.
    virtual std::unique_ptr<MetalSurface> make(TerminalView& terminalView, const QRect& frame) = 0;
};

} // namespace zentrova
