#include "Support/ManualMainQueue.h"

#include <algorithm>

namespace zentrova {
namespace {

class CancelFlag : public MainQueue::Handle {
public:
    explicit CancelFlag(std::shared_ptr<bool> cancelled)
        : m_cancelled(std::move(cancelled))
    {
    }
    void cancel() override { *m_cancelled = true; }

private:
    std::shared_ptr<bool> m_cancelled;
};

} // namespace

void ManualMainQueue::post(std::function<void()> work)
{
    postAfter(std::chrono::milliseconds(0), std::move(work));
}

std::shared_ptr<MainQueue::Handle> ManualMainQueue::postAfter(std::chrono::milliseconds delay,
                                                              std::function<void()> work)
{
    auto cancelled = std::make_shared<bool>(false);
    m_items.push_back({ m_now + delay, std::move(work), cancelled });
    return std::make_shared<CancelFlag>(cancelled);
}

void ManualMainQueue::advance(std::chrono::milliseconds by)
{
    const auto until = m_now + by;
    for (;;) {
        auto next = std::min_element(m_items.begin(), m_items.end(),
                                     [](const Item& a, const Item& b) { return a.due < b.due; });
        if (next == m_items.end() || next->due > until)
            break;
        Item item = std::move(*next);
        m_items.erase(next);
        m_now = item.due;
        if (!*item.cancelled)
            item.work();
    }
    m_now = until;
}

size_t ManualMainQueue::pending() const
{
    return size_t(std::count_if(m_items.begin(), m_items.end(), [](const Item& item) { return !*item.cancelled; }));
}

} // namespace zentrova
