#pragma once

#include "Zentrova/Host/MainQueue.h"
#include "ZentrovaView/Gpu/MetalFrameRefusalReason.h"
#include "ZentrovaView/Gpu/MetalRendererRecoveryReport.h"
#include "ZentrovaView/Gpu/MetalTrackedCommandBufferStatus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace zentrova {

class GpuFence;

// Admits one GPU frame at a time, follows it until its commands complete, retries refused frames at
// growing intervals, and asks for recovery when drawing stays broken: a frame not completed 1 s
// after it started, commands that completed with an error, or refusals not ended by a submission
// within 1 s. The main queue is its clock and scheduler. Callbacks are called with the lock
// released; scheduled work holds the coordinator weakly.
class MetalFrameCoordinator : public std::enable_shared_from_this<MetalFrameCoordinator> {
public:
    struct Token {
        uint64_t value = 0;
        bool operator==(const Token&) const = default;
    };

    // The owner's answers and requests.
    struct Callbacks {
        std::function<bool()> isRetryEligible; // visible and able to draw
        std::function<void(MetalFrameRefusalReason)> requestDraw;
        std::function<void(const MetalRendererRecoveryReport&)> requestRecovery;
        std::function<void()> becameIdle; // no frame is active any more
    };

    static constexpr std::chrono::milliseconds frameWatchdog { 1000 };
    static constexpr std::chrono::milliseconds failureWatchdog { 1000 };
    static constexpr std::chrono::milliseconds retryDelays[] = {
        std::chrono::milliseconds(16), std::chrono::milliseconds(33), std::chrono::milliseconds(66),
        std::chrono::milliseconds(125), std::chrono::milliseconds(250),
    };

    static std::shared_ptr<MetalFrameCoordinator> make(MainQueue& queue, Callbacks callbacks);

    // A token for a new frame, or nothing while one is in flight (a retry follows) or after
    // invalidation.
    std::optional<Token> beginFrame();
    // The admitted frame could not be drawn.
    void refuse(Token token, MetalFrameRefusalReason reason);
    // The frame's commands were submitted behind `fence`; its status reads `committed` until the
    // fence signals, then `completed`.
    void didSubmit(Token token, std::shared_ptr<GpuFence> fence);
    // The same with explicit probes of the submitted commands.
    void didSubmit(Token token, std::function<MetalTrackedCommandBufferStatus()> status,
                   std::function<std::optional<std::string>()> error);
    // The frame's commands completed.
    void complete(Token token, MetalTrackedCommandBufferStatus status, std::optional<std::string> error);
    // Stops for good: no frames, retries, watchdogs or error reports after this.
    void invalidate();

    bool hasActiveFrame() const;

private:
    struct CommandBufferProbe {
        std::function<MetalTrackedCommandBufferStatus()> status;
        std::function<std::optional<std::string>()> error;
        // Kept alive for `status` when the frame was submitted behind a fence.
        std::shared_ptr<GpuFence> fence;
    };
    struct ActiveFrame {
        Token token;
        double startedAt = 0;
        std::optional<CommandBufferProbe> commandBuffer;
        bool pendingRedraw = false;
        bool recoveryRequested = false;
        // When the frame's watchdog fires, on the queue's clock; none while it has none.
        std::optional<std::chrono::nanoseconds> watchdogDue;
    };

    MetalFrameCoordinator(MainQueue& queue, Callbacks callbacks);

    double now() const;
    std::shared_ptr<MainQueue::Handle> schedule(std::chrono::milliseconds delay, std::function<void(MetalFrameCoordinator&)> work);
    void armFrameWatchdog(ActiveFrame& frame);
    void scheduleRetry(MetalFrameRefusalReason reason, bool eligible);
    void startFailureEpisode(MetalFrameRefusalReason reason, bool eligible);
    void endFailureEpisode();
    void submit(Token token, CommandBufferProbe probe);
    void retryFired(MetalFrameRefusalReason reason);
    void frameWatchdogTimerFired();
    void frameWatchdogFired(Token token);
    void failureWatchdogFired();
    static void cancel(std::shared_ptr<MainQueue::Handle>& task);

    MainQueue& m_queue;
    Callbacks m_callbacks;

    mutable std::mutex m_lock;
    uint64_t m_nextToken = 1;
    std::optional<ActiveFrame> m_activeFrame;
    // Every frame's watchdog: one timer, made once.
    std::unique_ptr<MainQueue::Timer> m_frameWatchdogTimer;
    int m_retryIndex = 0;
    std::shared_ptr<MainQueue::Handle> m_retryTask;
    std::optional<double> m_failureStartedAt;
    std::optional<MetalFrameRefusalReason> m_lastFailureReason;
    std::shared_ptr<MainQueue::Handle> m_failureWatchdog;
    bool m_failureRecoveryRequested = false;
    bool m_invalidated = false;
};

} // namespace zentrova
