#include "Zentrova/Host/MainQueue.h"

namespace zentrova {
namespace {

// A timer on the queue's delayed actions: each start posts the work again.
class PostedTimer final : public MainQueue::Timer {
public:
    PostedTimer(MainQueue& queue, std::function<void()> work)
        : m_queue(queue)
        , m_work(std::move(work))
    {
    }
    ~PostedTimer() override { stop(); }

    void start(std::chrono::milliseconds delay) override
    {
        stop();
        m_pending = m_queue.postAfter(delay, [this] {
            m_pending.reset();
            // May start the timer again.
            m_work();
        });
    }
    void stop() override
    {
        if (m_pending)
            m_pending->cancel();
        m_pending.reset();
    }
    bool isActive() const override { return m_pending != nullptr; }

private:
    MainQueue& m_queue;
    std::function<void()> m_work;
    std::shared_ptr<MainQueue::Handle> m_pending;
};

} // namespace

std::unique_ptr<MainQueue::Timer> MainQueue::makeTimer(std::function<void()> work)
{
    return std::make_unique<PostedTimer>(*this, std::move(work));
}

} // namespace zentrova
