#include "PumpedMainQueue.h"

#include <algorithm>

namespace zentrova {

class PumpedMainQueue::DelayedHandle final : public Handle {
public:
    explicit DelayedHandle(std::shared_ptr<bool> cancelled, std::mutex& mutex)
        : m_cancelled(std::move(cancelled))
        , m_mutex(mutex)
    {
    }

    void cancel() override
    {
        std::lock_guard lock(m_mutex);
        *m_cancelled = true;
    }

private:
    std::shared_ptr<bool> m_cancelled;
    std::mutex& m_mutex;
};

void PumpedMainQueue::post(std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back({ Clock::now(), std::move(work), nullptr });
    }
    m_posted.notify_all();
}

std::shared_ptr<MainQueue::Handle> PumpedMainQueue::postAfter(std::chrono::milliseconds delay, std::function<void()> work)
{
    auto cancelled = std::make_shared<bool>(false);
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back({ Clock::now() + delay, std::move(work), cancelled });
    }
    m_posted.notify_all();
    return std::make_shared<DelayedHandle>(cancelled, m_mutex);
}

bool PumpedMainQueue::runOneUntil(Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // The first item that is due, in posting order.
        const auto now = Clock::now();
        const auto due = std::find_if(m_items.begin(), m_items.end(), [&](const Item& item) { return item.due <= now; });
        if (due != m_items.end()) {
            Item item = std::move(*due);
            m_items.erase(due);
            const bool cancelled = item.cancelled && *item.cancelled;
            lock.unlock();
            if (!cancelled)
                item.work();
            return true;
        }
        auto wakeAt = deadline;
        for (const Item& item : m_items)
            wakeAt = std::min(wakeAt, item.due);
        if (now >= deadline)
            return false;
        m_posted.wait_until(lock, wakeAt);
    }
}

bool PumpedMainQueue::runOne(std::chrono::milliseconds timeout)
{
    return runOneUntil(Clock::now() + timeout);
}

bool PumpedMainQueue::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (!runOneUntil(deadline))
            return done();
    }
    return true;
}

void PumpedMainQueue::pumpFor(std::chrono::milliseconds duration)
{
    const auto deadline = Clock::now() + duration;
    while (runOneUntil(deadline)) {
    }
}

std::size_t PumpedMainQueue::waiting() const
{
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

} // namespace zentrova
