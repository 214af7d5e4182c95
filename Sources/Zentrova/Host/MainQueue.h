#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace zentrova {

// The host's main queue, as far as the engine needs one. The engine is single-threaded and owns
// no timers: the few delayed actions it needs (the synchronized-output time-out) are posted here
// and run later on the thread that feeds the terminal. The queue is also the one clock that
// paced and time-limited work reads, so that tests can move time by hand. The Qt view implements
// it with QTimer and the steady clock, tests with a manual clock.
class MainQueue {
public:
    // A delayed action that can be called off. Destroying the handle does not cancel it.
    class Handle {
    public:
        virtual ~Handle() = default;
        virtual void cancel() = 0;
    };

    virtual ~MainQueue() = default;

    // Runs `work` on the queue's thread after everything already posted. Safe to call from any
    // thread (the child process's reader posts its output here); the queue must outlive every
    // thread that posts to it.
    virtual void post(std::function<void()> work) = 0;

    // Runs `work` on the queue's thread once `delay` has passed, unless cancelled first. Called
    // on the queue's own thread only.
    virtual std::shared_ptr<Handle> postAfter(std::chrono::milliseconds delay, std::function<void()> work) = 0;

    // A delayed action made once and armed again and again, for work that recurs with every frame:
    // start() arms it for `delay` (afresh when it is armed already), stop() disarms it.
    class Timer {
    public:
        virtual ~Timer() = default;
        virtual void start(std::chrono::milliseconds delay) = 0;
        virtual void stop() = 0;
        virtual bool isActive() const = 0;
    };

    // A timer running `work` on the queue's thread; used on that thread only, it never runs once
    // destroyed. By default every start posts the work anew; a queue with timers of its own reuses one,
    // so that arming it again makes nothing new.
    virtual std::unique_ptr<Timer> makeTimer(std::function<void()> work);

    // Monotonic time since an arbitrary origin, on the same clock as postAfter's delays. Safe to
    // call from any thread.
    virtual std::chrono::nanoseconds now() const = 0;
};

} // namespace zentrova
