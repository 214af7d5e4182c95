#pragma once

#include "Zentrova/Host/MainQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace zentrova {

// A main queue that runs nothing by itself: the thread that calls pump...() is the main thread.
// Work may be posted from any thread.
class PumpedMainQueue final : public MainQueue {
public:
    using Clock = std::chrono::steady_clock;

    void post(std::function<void()> work) override;
    std::shared_ptr<Handle> postAfter(std::chrono::milliseconds delay, std::function<void()> work) override;
    std::chrono::nanoseconds now() const override { return Clock::now().time_since_epoch(); }

    // Runs work as it becomes due until `done` holds (checked after each item and before waiting);
    // false when `timeout` passes first.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Runs whatever becomes due during `duration`.
    void pumpFor(std::chrono::milliseconds duration);
    // Runs the oldest due item, waiting up to `timeout` for one; false when none came.
    bool runOne(std::chrono::milliseconds timeout);

    // Items posted and not yet run.
    std::size_t waiting() const;

private:
    struct Item {
        Clock::time_point due;
        std::function<void()> work;
        std::shared_ptr<bool> cancelled;
    };
    class DelayedHandle;

    bool runOneUntil(Clock::time_point deadline);

    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Item> m_items;
};

} // namespace zentrova
