#pragma once

#include "BrambletCore/Files/FileService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

inline void spinUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The real service, noting when each listing is complete (on the service's thread, at once).
class TimedFileService : public bramblet::FileService {
public:
    QFuture<QList<bramblet::FileItem>> list(const std::filesystem::path& folder) override
    {
        return FileService::list(folder).then([this](const QList<bramblet::FileItem>& items) {
            listedAt = Clock::now();
            return items;
        });
    }

    std::atomic<Clock::time_point> listedAt;
};

// A 1 ms timer on the main thread that keeps the longest gap between its ticks: the longest the
// user interface could not answer while it runs.
class StallMeter {
public:
    StallMeter()
    {
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, double(m_sinceTick.nsecsElapsed()) / 1e6);
            m_sinceTick.restart();
        });
        m_sinceTick.start();
        m_ticker.start();
    }

    double longest() const { return m_longest; }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    double m_longest = 0;
};

} // namespace bench
