#pragma once

#include "Zentrova/Host/MainQueue.h"

#include <QObject>
#include <QPointer>

namespace zentrova {

// The engine's main queue on the Qt event loop of the thread that owns `context`. Work posted
// after `context` is destroyed is dropped, so a terminal's pending time-out never outlives its view.
class QtMainQueue final : public MainQueue {
public:
    explicit QtMainQueue(QObject* context);

    void post(std::function<void()> work) override;
    std::shared_ptr<Handle> postAfter(std::chrono::milliseconds delay, std::function<void()> work) override;
    // One timerfd watched by the event loop, armed again each time without allocating.
    std::unique_ptr<Timer> makeTimer(std::function<void()> work) override;
    std::chrono::nanoseconds now() const override;

private:
    QPointer<QObject> m_context;
};

} // namespace zentrova
