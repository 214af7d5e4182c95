#include "BrambletCore/Concurrency/SerialExecutor.h"

#include "BrambletCore/Models/FileFailure.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace bramblet {
namespace {

TEST(SerialExecutor, RunsOneAtATimeInSubmissionOrder)
{
    SerialExecutor executor;
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> running = 0;
    std::atomic<int> overlap = 0;
    QList<QFuture<int>> futures;
    for (int i = 0; i < 20; ++i) {
        futures << executor.run([&, i](const Cancellation&) {
            if (running.fetch_add(1) != 0)
                ++overlap;
            QThread::usleep(200);
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            running.fetch_sub(1);
            return i * i;
        });
    }
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(futures[i].result(), i * i);
    EXPECT_EQ(overlap.load(), 0);
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
}

TEST(SerialExecutor, ACallerBlockingOnLaterWorkDoesNotRunItOutOfTurn)
{
    // A future that lets a blocked caller run the queued task itself would put "second" first.
    SerialExecutor executor;
    std::mutex mutex;
    std::vector<std::string> order;
    std::atomic<bool> release = false;
    auto first = executor.run([&](const Cancellation&) {
        while (!release)
            QThread::msleep(1);
        std::lock_guard lock(mutex);
        order.push_back("first");
    });
    auto second = executor.run([&](const Cancellation&) {
        std::lock_guard lock(mutex);
        order.push_back("second");
        return 2;
    });
    std::thread releaser([&] {
        QThread::msleep(50);
        release = true;
    });
    EXPECT_EQ(second.result(), 2);
    releaser.join();
    first.waitForFinished();
    EXPECT_EQ(order, (std::vector<std::string> { "first", "second" }));
}

TEST(SerialExecutor, ThrownFailureReachesTypedHandlerOnTheCallersThread)
{
    SerialExecutor executor;
    QObject context;
    std::optional<FileFailure::Kind> caught;
    Qt::HANDLE handlerThread = nullptr;
    executor.run([](const Cancellation&) -> int { throw FileFailure(FileFailure::Kind::missingSource); })
        .then(&context, [](int) { ADD_FAILURE() << "a failed run has no result"; })
        .onFailed(&context, [&](const FileFailure& failure) {
            caught = failure.kind();
            handlerThread = QThread::currentThreadId();
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return caught.has_value(); }, 5000));
    EXPECT_EQ(*caught, FileFailure::Kind::missingSource);
    EXPECT_EQ(handlerThread, QThread::currentThreadId());
}

TEST(SerialExecutor, CancellationIsVisibleToRunningWorkAndSkipsQueuedWork)
{
    SerialExecutor executor;
    std::atomic<bool> started = false;
    std::atomic<bool> sawCancel = false;
    std::atomic<bool> queuedRan = false;
    auto longWork = executor.run([&](const Cancellation& cancellation) {
        started = true;
        while (!cancellation.isCancelled())
            QThread::msleep(1);
        sawCancel = true;
    });
    auto queued = executor.run([&](const Cancellation&) { queuedRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }, 5000));
    queued.cancel();
    longWork.cancel();
    longWork.waitForFinished();
    queued.waitForFinished();
    EXPECT_TRUE(sawCancel.load());
    EXPECT_FALSE(queuedRan.load());
}

} // namespace
} // namespace bramblet
