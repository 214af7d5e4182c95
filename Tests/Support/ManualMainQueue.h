#pragma once

#include "Zentrova/Host/MainQueue.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace zentrova {

// A main queue on a clock that only moves when the test says so.
class ManualMainQueue final : public MainQueue {
public:
    void post(std::function<void()> work) override;
    std::shared_ptr<Handle> postAfter(std::chrono::milliseconds delay, std::function<void()> work) override;
    std::chrono::nanoseconds now() const override { return m_now; }

    // Moves the clock on, running what falls due in order of due time.
    void advance(std::chrono::milliseconds by);
    // Items waiting and not cancelled.
    size_t pending() const;

private:
    struct Item {
        std::chrono::milliseconds due;
        std::function<void()> work;
        std::shared_ptr<bool> cancelled;
    };

    std::chrono::milliseconds m_now { 0 };
    std::vector<Item> m_items;
};

} // namespace zentrova
