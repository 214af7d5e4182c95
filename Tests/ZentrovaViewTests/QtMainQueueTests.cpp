#include "ZentrovaView/QtMainQueue.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <vector>

namespace zentrova {
namespace {

using namespace std::chrono_literals;

TEST(QtMainQueue, PostRunsLaterAndInOrder)
{
    QObject context;
    QtMainQueue queue(&context);
    std::vector<int> ran;
    queue.post([&] { ran.push_back(1); });
    queue.post([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty()) << "posted work must not run inside post()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == size_t(2); }, 5000)) << ran.size();
    EXPECT_EQ(ran, (std::vector<int> { 1, 2 }));
}

TEST(QtMainQueue, DelayedWorkFiresOnceUnlessCancelled)
{
    QObject context;
    QtMainQueue queue(&context);
    int fired = 0;
    int cancelledFired = 0;
    queue.postAfter(10ms, [&] { ++fired; });
    auto handle = queue.postAfter(10ms, [&] { ++cancelledFired; });
    handle->cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired == 1; }, 5000)) << fired;
    QTest::qWait(50);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(cancelledFired, 0);
    handle->cancel(); // cancelling twice is harmless
}

TEST(QtMainQueue, ATimerFiresOncePerStartAndNotWhenStopped)
{
    QObject context;
    QtMainQueue queue(&context);
    int fired = 0;
    const std::unique_ptr<MainQueue::Timer> timer = queue.makeTimer([&] { ++fired; });
    timer->start(30ms);
    timer->start(30ms); // started again: still one firing
    EXPECT_TRUE(timer->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired == 1; }, 5000)) << fired;
    EXPECT_FALSE(timer->isActive()) << "nothing more to fire";

    timer->start(10ms);
    timer->stop();
    EXPECT_FALSE(timer->isActive());
    timer->start(10ms); // the same timer, armed again
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired == 2; }, 5000)) << fired;
}

TEST(QtMainQueue, WorkIsDroppedWithItsContext)
{
    int fired = 0;
    std::shared_ptr<MainQueue::Handle> handle;
    {
        auto context = std::make_unique<QObject>();
        QtMainQueue queue(context.get());
        handle = queue.postAfter(5ms, [&] { ++fired; });
        queue.post([&] { ++fired; });
    }
    QTest::qWait(40);
    EXPECT_EQ(fired, 0);
    handle->cancel(); // the timer is gone; the handle must still be safe to use
}

} // namespace
} // namespace zentrova
