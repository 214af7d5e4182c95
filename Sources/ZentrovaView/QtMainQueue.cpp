#include "ZentrovaView/QtMainQueue.h"

#include <QTimer>

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

class ReusedTimer final : public MainQueue::Timer {
public:
    ReusedTimer(QObject* context, std::function<void()> work)
    {
        m_timer.setSingleShot(true);
        // Through the context: gone with it, as posted work is.
        if (context)
            QObject::connect(&m_timer, &QTimer::timeout, context, std::move(work));
    }

    void start(std::chrono::milliseconds delay) override { m_timer.start(delay); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
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
