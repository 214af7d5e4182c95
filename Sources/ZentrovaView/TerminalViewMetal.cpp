// GPU drawing: the view's side of its GPU renderer's life. A surface is made when a host switches GPU
// drawing on, made again for a new window or after a failure, and given up for drawing on the
// processor when a second failure follows a replacement within 30 s. A retired surface with a frame
// in flight stays until the frame completes. Every status change is published through the
// notification centre.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/Gpu/GpuLogging.h"
#include "ZentrovaView/Gpu/MetalError.h"
#include "ZentrovaView/Gpu/MetalRecoverySignpost.h"
#include "ZentrovaView/Gpu/MetalSurface.h"
#include "ZentrovaView/Gpu/MetalView.h"
#include "ZentrovaView/TerminalProgressBarView.h"
#include "ZentrovaView/TerminalViewNotificationCenter.h"

#include <QScrollBar>
#include <QThread>
#include <QWindow>

#include <sys/sdt.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zentrova {
namespace {

using State = MetalRendererStatus::State;

// Two failures within this long of each other give up the GPU.
constexpr double replacementInterval = 30.0;
// Size changes closer together than this are taken for a live resize.
constexpr std::chrono::milliseconds liveResizeGap { 100 };
constexpr std::chrono::milliseconds metalDisplayDelay { 17 };

// GL surfaces unless another factory was set.
MetalSurfaceFactory& surfaceFactory(MetalSurfaceFactory* factory)
{
    return factory ? *factory : GlMetalSurfaceFactory::shared();
}

double seconds(std::chrono::nanoseconds time)
{
    return std::chrono::duration<double>(time).count();
}

// Asks the GPU surface for a frame when its window is exposed again or comes back from being
// minimised, and the surface can draw.
class MetalWindowRecoveryObserver final : public QObject {
public:
    MetalWindowRecoveryObserver(TerminalView& view, QWindow& window)
        : QObject(&view)
        , m_view(view)
    {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if ((event->type() == QEvent::Expose || event->type() == QEvent::WindowStateChange) && m_view.metalSurface()
            && m_view.isMetalRendererEligibleForRetry())
            m_view.metalSurface()->setNeedsDisplay();
        return false;
    }

private:
    TerminalView& m_view;
};

} // namespace

QWidget* TerminalView::metalView() const
{
    return m_metalView ? &m_metalView->widget() : nullptr;
}

MetalTerminalRenderer* TerminalView::metalRenderer() const
{
    return m_metalView ? m_metalView->renderer() : nullptr;
}

void TerminalView::setUseMetal(bool enabled)
{
    if (enabled) {
        if (m_useMetalRenderer)
            return;
        updateMetalRenderer(true);
        m_useMetalRenderer = true;
        m_automaticMetalRecoveryPolicy.lastReplacementAt.reset();
        setMetalRendererStatus({ State::waitingForFirstFrame, 0, std::nullopt });
        return;
    }
    if (m_useMetalRenderer) {
        updateMetalRenderer(false);
        m_useMetalRenderer = false;
    }
    if (m_metalRendererStatus.state != State::disabled) {
        MetalRendererStatus status = m_metalRendererStatus;
        status.state = State::disabled;
        setMetalRendererStatus(status);
    }
}

void TerminalView::updateMetalRenderer(bool enabled)
{
    if (enabled) {
        if (m_metalView)
            return;
        MetalSurfaceFactory& factory = surfaceFactory(m_metalSurfaceFactory);
        if (!factory.deviceAvailable())
            throw MetalError(MetalError::Kind::deviceUnavailable);
        auto view = factory.make(*this, rect());
        insertMetalView(*view, nullptr);
        m_metalView = std::move(view);
        m_metalBoundWindow = window();
        // The surface covers the view; the view's own background would only be painted over.
        setAutoFillBackground(false);
        m_metalView->setNeedsDisplay();
        return;
    }
    auto view = std::move(m_metalView);
    if (view)
        removeMetalView(*view);
    retireMetalRenderer(std::move(view));
    m_metalBoundWindow.clear();
    m_lastRenderedCursor.reset();
    // The processor path paints its default background through the widget's own fill, so it comes
    // back with the caret: without it the rows would be drawn over whatever lies behind the view.
    setAutoFillBackground(true);
    applyBackgroundColor();
    showCaretForProcessorDrawing();
    update();
}

void TerminalView::insertMetalView(MetalSurface& view, MetalSurface* replacing)
{
    QWidget& widget = view.widget();
    widget.setGeometry(replacing ? replacing->widget().geometry() : rect());
    if (m_caretView) {
        widget.stackUnder(m_caretView);
        // The renderer draws the cursor.
        m_caretView->disableAnimations();
        m_caretView->hide();
    } else if (replacing) {
        widget.stackUnder(&replacing->widget());
        widget.raise();
    } else {
        widget.lower();
    }
    widget.show();
    // The view's own overlays stay above the surface.
    m_scroller->raise();
    if (m_progressBarView)
        m_progressBarView->raise();
}

void TerminalView::removeMetalView(MetalSurface& view)
{
    view.clearDelegate();
    view.widget().hide();
}

void TerminalView::showCaretForProcessorDrawing()
{
    if (!m_caretView)
        return;
    updateCursorPosition();
    m_caretView->updateCursorStyle();
}

void TerminalView::metalWindowChanged()
{
    updateMetalWindowRecoveryObservers();
    if (m_useMetalRenderer && (!m_metalBoundWindow || m_metalBoundWindow != window()))
        rebindMetalRendererToWindow(window());
    if (m_metalView)
        m_metalView->setNeedsDisplay();
}

// A new surface in the current one's place; none when the factory fails, and drawing is then back on
// the processor.
std::unique_ptr<MetalSurface> TerminalView::makeSuccessorMetalSurface()
{
    try {
        return surfaceFactory(m_metalSurfaceFactory).make(*this, m_metalView->widget().geometry());
    } catch (const MetalError& error) {
        disableMetalRendererAfterRebindFailure(error);
        return nullptr;
    }
}

void TerminalView::rebindMetalRendererToWindow(QWidget* newWindow)
{
    if (!m_useMetalRenderer || !m_metalView)
        return;
    std::unique_ptr<MetalSurface> view = makeSuccessorMetalSurface();
    if (!view)
        return;
    beginMetalRecovery();
    insertMetalView(*view, m_metalView.get());
    view->drawNow();
    view->setNeedsDisplay();
    auto old = std::exchange(m_metalView, std::move(view));
    removeMetalView(*old);
    m_metalBoundWindow = newWindow;
    retireMetalRenderer(std::move(old));
}

void TerminalView::metalRendererRequiresRecovery(MetalSurface& renderer, const MetalRendererRecoveryReport& report)
{
    if (&renderer != m_metalView.get() || !m_useMetalRenderer)
        return;
    const double now = seconds(m_displayQueue->now());
    auto& lastReplacementAt = m_automaticMetalRecoveryPolicy.lastReplacementAt;
    const bool replace = !lastReplacementAt || now - *lastReplacementAt >= replacementInterval;
    if (replace)
        lastReplacementAt = now;
    logMetalRecovery(report, !replace);
    beginMetalRecovery();
    if (replace)
        replaceMetalRendererAfterFailure();
    else
        disableMetalRendererAfterRebindFailure(MetalError(MetalError::Kind::commandQueueUnavailable));
}

void TerminalView::replaceMetalRendererAfterFailure()
{
    if (!m_metalView) {
        disableMetalRendererAfterRebindFailure(MetalError(MetalError::Kind::deviceUnavailable));
        return;
    }
    std::unique_ptr<MetalSurface> view = makeSuccessorMetalSurface();
    if (!view)
        return;
    insertMetalView(*view, m_metalView.get());
    auto old = std::exchange(m_metalView, std::move(view));
    m_metalBoundWindow = window();
    removeMetalView(*old);
    retireMetalRenderer(std::move(old));
    m_metalView->drawNow();
    m_metalView->setNeedsDisplay();
}

void TerminalView::disableMetalRendererAfterRebindFailure(const MetalError& error)
{
    qCCritical(lcMetalRecovery).noquote() << "Zentrova: Metal renderer rebind failed; falling back to CoreGraphics:"
                                          << error.what();
    updateMetalRenderer(false);
    m_useMetalRenderer = false;
    if (m_metalRendererStatus.state != State::fellBackToCoreGraphics) {
        MetalRendererStatus status = m_metalRendererStatus;
        status.state = State::fellBackToCoreGraphics;
        setMetalRendererStatus(status);
    }
    if (m_metalRecoverySignpostOpen) {
        STAP_PROBE(MetalProfile, Metal_Recovery_end);
        m_metalRecoverySignpostOpen = false;
    }
}

void TerminalView::beginMetalRecovery()
{
    if (m_metalRendererStatus.state != State::recovering) {
        MetalRendererStatus status = m_metalRendererStatus;
        status.state = State::recovering;
        setMetalRendererStatus(status);
    }
    if (!m_metalRecoverySignpostOpen && MetalRecoverySignpost::isEnabled()) {
        STAP_PROBE(MetalProfile, Metal_Recovery_begin);
        m_metalRecoverySignpostOpen = true;
    }
}

void TerminalView::retireMetalRenderer(std::unique_ptr<MetalSurface> renderer)
{
    if (!renderer)
        return;
    renderer->stopCursorBlinkTimer();
    if (!renderer->hasFrameCoordinator())
        return; // never drew a frame: released at once
    MetalFrameCoordinator& coordinator = renderer->frameCoordinator();
    coordinator.invalidate();
    if (!coordinator.hasActiveFrame())
        return;
    const bool listed = std::any_of(m_retiredMetalRenderers.begin(), m_retiredMetalRenderers.end(),
                                    [&](const auto& retired) { return retired.get() == renderer.get(); });
    if (!listed)
        m_retiredMetalRenderers.push_back(std::move(renderer));
}

void TerminalView::removeRetiredMetalRenderer(MetalSurface& renderer)
{
    std::erase_if(m_retiredMetalRenderers, [&](const auto& retired) { return retired.get() == &renderer; });
}

void TerminalView::metalRendererDidPresentAt(MetalSurface& renderer, std::chrono::system_clock::time_point at)
{
    if (&renderer != m_metalView.get() || !m_useMetalRenderer)
        return;
    setMetalRendererStatus({ State::healthy, m_metalRendererStatus.presentedFrameCount + 1, at });
    if (m_metalRecoverySignpostOpen) {
        STAP_PROBE(MetalProfile, Metal_Recovery_end);
        m_metalRecoverySignpostOpen = false;
    }
}

void TerminalView::setMetalRendererStatus(const MetalRendererStatus& status)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this,
            [view = QPointer<TerminalView>(this), status] {
                if (view)
                    view->setMetalRendererStatus(status);
            },
            Qt::QueuedConnection);
        return;
    }
    m_metalRendererStatus = status;
    TerminalViewNotificationCenter::defaultCenter().post(TerminalViewNotificationCenter::metalRendererStatusDidChange, this);
}

bool TerminalView::isMetalRendererEligibleForRetry() const
{
    if (!m_useMetalRenderer || !m_metalView)
        return false;
    const QWidget* top = window();
    const QWindow* handle = top->windowHandle();
    return handle && top->isVisible() && !(top->windowState() & Qt::WindowMinimized) && handle->isExposed() && isVisible()
        && width() > 0 && height() > 0;
}

void TerminalView::updateMetalWindowRecoveryObservers()
{
    delete m_metalWindowRecoveryObserver;
    if (QWindow* handle = window()->windowHandle())
        m_metalWindowRecoveryObserver = new MetalWindowRecoveryObserver(*this, *handle);
}

void TerminalView::setMetalScaleFactorOverride(std::optional<double> scale)
{
    const bool changed = scale != m_metalScaleFactorOverride;
    m_metalScaleFactorOverride = scale;
    if (changed && m_useMetalRenderer && m_metalView)
        m_metalView->setNeedsDisplay();
}

void TerminalView::drawMetalFrameNow()
{
    if (m_useMetalRenderer && m_metalView)
        m_metalView->drawNow();
}

void TerminalView::queueMetalDisplay()
{
    if (!m_metalView || m_pendingMetalDisplay)
        return;
    m_pendingMetalDisplay = true;
    m_pendingMetalDisplayHandle = m_displayQueue->postAfter(metalDisplayDelay, [view = QPointer<TerminalView>(this)] {
        if (!view)
            return;
        view->m_pendingMetalDisplay = false;
        if (view->m_metalView)
            view->m_metalView->setNeedsDisplay();
    });
}

void TerminalView::metalFrameSizeChanged()
{
    if (m_metalView)
        m_metalView->widget().setGeometry(rect());
    // Qt has no live-resize phase: size changes arriving close together stand for one.
    const auto now = m_displayQueue->now();
    const bool live = m_lastMetalFrameSizeChange && now - *m_lastMetalFrameSizeChange < liveResizeGap;
    m_lastMetalFrameSizeChange = now;
    if (m_useMetalRenderer && live && metalLiveResizeThrottleEnabled()) {
        queueMetalDisplay();
        updateCursorPosition();
    } else if (m_metalView) {
        m_metalView->setNeedsDisplay();
    }
}

void TerminalView::noteMetalDirtyRows(int first, int last)
{
    const Buffer& buffer = m_terminal->buffer();
    const int lines = buffer.lines().count();
    if (lines == 0)
        m_metalDirtyRange.reset();
    else
        m_metalDirtyRange = std::pair(std::clamp(first + buffer.yDisp(), 0, lines - 1),
                                      std::clamp(last + buffer.yDisp(), 0, lines - 1));
    noteMetalCursor();
    m_metalView->setNeedsDisplay();
}

void TerminalView::noteMetalCursor()
{
    const Buffer& buffer = m_terminal->buffer();
    m_lastRenderedCursor = RenderedCursor { buffer.x(), buffer.yBase() + buffer.y(), m_terminal->cursorHidden };
}

bool TerminalView::metalLiveResizeThrottleEnabled(const char* value)
{
    if (!value)
        return true;
    return std::strcmp(value, "0") != 0 && std::strcmp(value, "false") != 0 && std::strcmp(value, "FALSE") != 0;
}

bool TerminalView::metalLiveResizeThrottleEnabled()
{
    static const bool enabled = metalLiveResizeThrottleEnabled(std::getenv("ZENTROVA_METAL_LIVE_RESIZE_THROTTLE"));
    return enabled;
}

} // namespace zentrova
