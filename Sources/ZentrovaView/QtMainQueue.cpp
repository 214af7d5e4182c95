#include "ZentrovaView/QtMainQueue.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace zentrova {

namespace {

class TimerHandle final : public MainQueue::Handle {
public:
    explicit TimerHandle(QTimer* timer)
        : m_timer(timer)
    {
    }

    void cancel() override
    {
        if (m_timer) {
            m_timer->stop();
            m_timer->deleteLater();
        }
    }

private:
    QPointer<QTimer> m_timer;
};

// A timer on a timerfd that the event loop watches. Arming it again is one system call, where Qt's
// QTimer allocates on every start; the frame loop arms its timers frame after frame. Should the
// process have no descriptor left, a QTimer stands in.
class ReusedTimer final : public MainQueue::Timer {
public:
    ReusedTimer(QObject* context, std::function<void()> work)
        : m_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
    {
        // Through the context: gone with it, as posted work is.
        if (!context)
            return;
        const auto fire = [this, work = std::move(work)] {
            if (std::exchange(m_armed, false))
                work(); // may destroy this timer: nothing of it is touched afterwards
        };
        if (m_fd < 0) {
            m_fallback.emplace();
            m_fallback->setSingleShot(true);
            QObject::connect(&*m_fallback, &QTimer::timeout, context, fire);
            return;
        }
        m_notifier.emplace(m_fd, QSocketNotifier::Read);
        QObject::connect(&*m_notifier, &QSocketNotifier::activated, context, [this, fire] {
            // Drained, so the descriptor stays quiet until it is armed again.
            uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_fd, &expirations, sizeof expirations);
            fire();
        });
    }

    ~ReusedTimer() override
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
    }

    ReusedTimer(const ReusedTimer&) = delete;
    ReusedTimer& operator=(const ReusedTimer&) = delete;

    void start(std::chrono::milliseconds delay) override
    {
        m_armed = true;
        if (m_fallback) {
            m_fallback->start(delay);
            return;
        }
        // A zero time would disarm the descriptor: no delay is the shortest one.
        setTime(std::max<std::chrono::nanoseconds>(delay, std::chrono::nanoseconds(1)));
    }

    void stop() override
    {
        m_armed = false;
        if (m_fallback)
            m_fallback->stop();
        else
            setTime(std::chrono::nanoseconds(0));
    }

    bool isActive() const override { return m_armed; }

private:
    // Arms the descriptor, or disarms it at zero. Either also forgets an expiry that the event loop
    // has not handled yet.
    void setTime(std::chrono::nanoseconds delay)
    {
        if (m_fd < 0)
            return;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(delay);
        itimerspec time {};
        time.it_value.tv_sec = seconds.count();
        time.it_value.tv_nsec = long((delay - seconds).count());
        ::timerfd_settime(m_fd, 0, &time, nullptr);
    }

    int m_fd;
    bool m_armed = false;
    std::optional<QSocketNotifier> m_notifier;
    std::optional<QTimer> m_fallback;
};

} // namespace

QtMainQueue::QtMainQueue(QObject* context)
    : m_context(context)
{
}

void QtMainQueue::post(std::function<void()> work)
{
    if (!m_context)
        return;
    QMetaObject::invokeMethod(m_context, [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

std::shared_ptr<MainQueue::Handle> QtMainQueue::postAfter(std::chrono::milliseconds delay, std::function<void()> work)
{
    // A parented single-shot timer: it dies with the context, and cancel() can reach it until it fires.
    auto* timer = new QTimer(m_context);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, work = std::move(work)] {
        timer->deleteLater();
        work();
    });
    if (m_context)
        timer->start(delay);
    else
        timer->deleteLater();
    return std::make_shared<TimerHandle>(timer);
}

std::unique_ptr<MainQueue::Timer> QtMainQueue::makeTimer(std::function<void()> work)
{
    return std::make_unique<ReusedTimer>(m_context, std::move(work));
}

std::chrono::nanoseconds QtMainQueue::now() const
{
    // QTimer runs on the monotonic clock, as does steady_clock on Linux.
    return std::chrono::steady_clock::now().time_since_epoch();
}

} // namespace zentrova
