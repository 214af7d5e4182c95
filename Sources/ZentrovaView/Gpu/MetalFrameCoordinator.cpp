#include "ZentrovaView/Gpu/MetalFrameCoordinator.h"

#include "ZentrovaView/Gpu/GpuFence.h"

#include <algorithm>

namespace zentrova {

// Eligibility is asked before the lock is taken, so the owner's answer may itself look at the
// coordinator.

std::shared_ptr<MetalFrameCoordinator> MetalFrameCoordinator::make(MainQueue& queue, Callbacks callbacks)
{
    return std::shared_ptr<MetalFrameCoordinator>(new MetalFrameCoordinator(queue, std::move(callbacks)));
}

MetalFrameCoordinator::MetalFrameCoordinator(MainQueue& queue, Callbacks callbacks)
    : m_queue(queue)
    , m_callbacks(std::move(callbacks))
    , m_frameWatchdogTimer(queue.makeTimer([this] {
        if (auto strong = weak_from_this().lock())
            strong->frameWatchdogTimerFired();
    }))
{
}

double MetalFrameCoordinator::now() const
{
    return std::chrono::duration<double>(m_queue.now()).count();
}

void MetalFrameCoordinator::cancel(std::shared_ptr<MainQueue::Handle>& task)
{
    if (task) {
        task->cancel();
        task.reset();
    }
}

std::shared_ptr<MainQueue::Handle> MetalFrameCoordinator::schedule(std::chrono::milliseconds delay,
                                                                   std::function<void(MetalFrameCoordinator&)> work)
{
    return m_queue.postAfter(delay, [weak = weak_from_this(), work = std::move(work)] {
        if (auto strong = weak.lock())
            work(*strong);
    });
}

void MetalFrameCoordinator::armFrameWatchdog(ActiveFrame& frame)
{
    frame.watchdogDue = m_queue.now() + frameWatchdog;
    // The timer is left running when a frame ends. Armed for an earlier frame it fires before this
    // one's watchdog is due and waits on for the rest: frame after frame, it is seldom started.
    if (!m_frameWatchdogTimer->isActive())
        m_frameWatchdogTimer->start(frameWatchdog);
}

void MetalFrameCoordinator::frameWatchdogTimerFired()
{
    Token token;
    {
        std::lock_guard guard(m_lock);
        if (!m_activeFrame || !m_activeFrame->watchdogDue || m_invalidated)
            return; // nothing to watch: the timer rests until a frame arms it
        const auto remaining = *m_activeFrame->watchdogDue - m_queue.now();
        if (remaining > std::chrono::nanoseconds::zero()) {
            m_frameWatchdogTimer->start(std::chrono::ceil<std::chrono::milliseconds>(remaining));
            return;
        }
        token = m_activeFrame->token;
    }
    frameWatchdogFired(token);
}

std::optional<MetalFrameCoordinator::Token> MetalFrameCoordinator::beginFrame()
{
    const bool eligible = m_callbacks.isRetryEligible();
    std::lock_guard guard(m_lock);
    if (!m_activeFrame) {
        if (m_invalidated)
            return std::nullopt;
        ActiveFrame frame;
        frame.token = Token { m_nextToken++ };
        frame.startedAt = now();
        if (eligible)
            armFrameWatchdog(frame);
        m_activeFrame = std::move(frame);
        return m_activeFrame->token;
    }
    if (!m_activeFrame->watchdogDue && !m_activeFrame->recoveryRequested && eligible && !m_invalidated)
        armFrameWatchdog(*m_activeFrame);
    m_activeFrame->pendingRedraw = true;
    scheduleRetry(MetalFrameRefusalReason::activeFrame, eligible);
    return std::nullopt;
}

void MetalFrameCoordinator::scheduleRetry(MetalFrameRefusalReason reason, bool eligible)
{
    if (m_invalidated || m_retryTask || !eligible)
        return;
    const auto delay = retryDelays[std::min(m_retryIndex, 4)];
    m_retryIndex = std::min(m_retryIndex + 1, 4);
    m_retryTask = schedule(delay, [reason](MetalFrameCoordinator& self) { self.retryFired(reason); });
}

void MetalFrameCoordinator::retryFired(MetalFrameRefusalReason reason)
{
    {
        const bool eligible = m_callbacks.isRetryEligible();
        std::lock_guard guard(m_lock);
        m_retryTask.reset();
        if (m_invalidated || !eligible)
            return;
    }
    m_callbacks.requestDraw(reason);
    const bool eligible = m_callbacks.isRetryEligible();
    std::lock_guard guard(m_lock);
    scheduleRetry(reason, eligible);
}

void MetalFrameCoordinator::refuse(Token token, MetalFrameRefusalReason reason)
{
    const bool eligible = m_callbacks.isRetryEligible();
    {
        std::lock_guard guard(m_lock);
        if (!m_activeFrame || m_activeFrame->token != token)
            return;
        m_activeFrame.reset();
        startFailureEpisode(reason, eligible);
        scheduleRetry(reason, eligible);
    }
    m_callbacks.becameIdle();
}

void MetalFrameCoordinator::startFailureEpisode(MetalFrameRefusalReason reason, bool eligible)
{
    m_lastFailureReason = reason;
    if (!eligible) {
        m_failureStartedAt.reset();
        cancel(m_failureWatchdog);
        m_failureRecoveryRequested = false;
        m_retryIndex = 0;
        return;
    }
    if (m_failureStartedAt || m_invalidated)
        return;
    m_failureStartedAt = now();
    m_failureRecoveryRequested = false;
    m_failureWatchdog = schedule(failureWatchdog, [](MetalFrameCoordinator& self) { self.failureWatchdogFired(); });
}

void MetalFrameCoordinator::endFailureEpisode()
{
    cancel(m_retryTask);
    m_retryIndex = 0;
    cancel(m_failureWatchdog);
    m_failureStartedAt.reset();
    m_lastFailureReason.reset();
    m_failureRecoveryRequested = false;
}

void MetalFrameCoordinator::didSubmit(Token token, std::shared_ptr<GpuFence> fence)
{
    // The probe holds the fence; its functions capture only a plain pointer, which std::function
    // keeps without allocating.
    GpuFence* signal = fence.get();
    submit(token, CommandBufferProbe { [signal] {
                                          return signal->isSignaled() ? MetalTrackedCommandBufferStatus::completed
                                                                      : MetalTrackedCommandBufferStatus::committed;
                                      },
                                       [] { return std::optional<std::string>(); }, std::move(fence) });
}

void MetalFrameCoordinator::didSubmit(Token token, std::function<MetalTrackedCommandBufferStatus()> status,
                                      std::function<std::optional<std::string>()> error)
{
    submit(token, CommandBufferProbe { std::move(status), std::move(error), nullptr });
}

void MetalFrameCoordinator::submit(Token token, CommandBufferProbe probe)
{
    std::lock_guard guard(m_lock);
    if (!m_activeFrame || m_activeFrame->token != token)
        return;
    m_activeFrame->commandBuffer = std::move(probe);
    endFailureEpisode();
}

void MetalFrameCoordinator::complete(Token token, MetalTrackedCommandBufferStatus status, std::optional<std::string> error)
{
    std::optional<MetalRendererRecoveryReport> report;
    bool pendingRedraw = false;
    {
        std::lock_guard guard(m_lock);
        if (!m_activeFrame || m_activeFrame->token != token)
            return;
        pendingRedraw = m_activeFrame->pendingRedraw;
        const double startedAt = m_activeFrame->startedAt;
        m_activeFrame.reset();
        if (status == MetalTrackedCommandBufferStatus::error && !m_invalidated) {
            report = MetalRendererRecoveryReport { MetalFrameRefusalReason::activeFrame, std::max(now() - startedAt, 0.0),
                                                   MetalTrackedCommandBufferStatus::error, std::move(error) };
        }
    }
    m_callbacks.becameIdle();
    if (report) {
        m_callbacks.requestRecovery(*report);
        return;
    }
    if (!pendingRedraw)
        return;
    bool invalidated;
    {
        std::lock_guard guard(m_lock);
        invalidated = m_invalidated;
    }
    if (!invalidated)
        m_callbacks.requestDraw(MetalFrameRefusalReason::activeFrame);
}

void MetalFrameCoordinator::frameWatchdogFired(Token token)
{
    const bool eligible = m_callbacks.isRetryEligible();
    std::optional<CommandBufferProbe> probe;
    double startedAt = 0;
    {
        std::lock_guard guard(m_lock);
        if (!m_activeFrame || m_activeFrame->token != token || m_activeFrame->recoveryRequested || m_invalidated)
            return;
        m_activeFrame->watchdogDue.reset();
        // Not eligible: the frame stays active without a watchdog; the next beginFrame re-arms one.
        if (!eligible)
            return;
        m_activeFrame->recoveryRequested = true;
        probe = m_activeFrame->commandBuffer;
        startedAt = m_activeFrame->startedAt;
    }
    std::optional<MetalTrackedCommandBufferStatus> status;
    std::optional<std::string> error;
    if (probe) {
        status = probe->status();
        error = probe->error();
        // The completion may merely be late in arriving: settle the frame as it stands.
        if (status == MetalTrackedCommandBufferStatus::error || status == MetalTrackedCommandBufferStatus::completed) {
            complete(token, *status, status == MetalTrackedCommandBufferStatus::error ? error : std::nullopt);
            return;
        }
    }
    m_callbacks.requestRecovery(MetalRendererRecoveryReport { MetalFrameRefusalReason::activeFrame,
                                                              std::max(now() - startedAt, 0.0), status, error });
}

void MetalFrameCoordinator::failureWatchdogFired()
{
    const bool eligible = m_callbacks.isRetryEligible();
    MetalRendererRecoveryReport report;
    {
        std::lock_guard guard(m_lock);
        m_failureWatchdog.reset();
        if (m_invalidated)
            return;
        if (!eligible) {
            m_failureStartedAt.reset();
            m_lastFailureReason.reset();
            m_failureRecoveryRequested = false;
            m_retryIndex = 0;
            return;
        }
        if (m_failureRecoveryRequested || !m_failureStartedAt || !m_lastFailureReason)
            return;
        m_failureRecoveryRequested = true;
        report = MetalRendererRecoveryReport { *m_lastFailureReason, std::max(now() - *m_failureStartedAt, 0.0),
                                               std::nullopt, std::nullopt };
    }
    m_callbacks.requestRecovery(report);
}

void MetalFrameCoordinator::invalidate()
{
    {
        std::lock_guard guard(m_lock);
        m_invalidated = true;
        cancel(m_retryTask);
        cancel(m_failureWatchdog);
        m_frameWatchdogTimer->stop();
        if (!m_activeFrame || m_activeFrame->commandBuffer)
            return;
        m_activeFrame.reset();
    }
    m_callbacks.becameIdle();
}

bool MetalFrameCoordinator::hasActiveFrame() const
{
    std::lock_guard guard(m_lock);
    return m_activeFrame.has_value();
}

} // namespace zentrova
