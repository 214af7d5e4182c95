#pragma once

#include "BrambletCore/Concurrency/Cancellation.h"

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <exception>
#include <memory>
#include <type_traits>

namespace bramblet {

// The one executor of a service actor (FileService, SyncService): work runs one item at a time,
// in the order it was submitted, on a thread of its own.
//
// Work is a callable taking `const Cancellation&`. Its result arrives through the returned
// future; an exception it throws arrives as itself (not wrapped), so callers can write
//     future.then(this, onResult).onFailed(this, [](const FileFailure& f) { ... });
// Work whose future was cancelled before it started does not run.
//
// The work is handed to the pool as a plain task with its own promise, not through
// QtConcurrent::run: a future from QtConcurrent lets a thread that blocks on it (result(),
// waitForFinished()) steal the queued task and run it at once, beside whatever the executor's
// own thread is running, which would break the one-at-a-time promise.
class SerialExecutor {
public:
    SerialExecutor();
    // Waits for work already submitted; cancel long work first.
    ~SerialExecutor();

    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    template <typename Work>
    auto run(Work work) -> QFuture<std::invoke_result_t<Work&, const Cancellation&>>
    {
        using Result = std::invoke_result_t<Work&, const Cancellation&>;
        struct Task {
            Work work;
            QPromise<Result> promise;
        };
        auto task = std::make_shared<Task>(Task { std::move(work), QPromise<Result>() });
        auto future = task->promise.future();
        task->promise.start();
        m_pool.start([task] {
            auto& promise = task->promise;
            if (!promise.isCanceled()) {
                const Cancellation cancellation([&promise] { return promise.isCanceled(); });
                try {
                    if constexpr (std::is_void_v<Result>)
                        task->work(cancellation);
                    else
                        promise.addResult(task->work(cancellation));
                } catch (...) {
                    promise.setException(std::current_exception());
                }
            }
            promise.finish();
        });
        return future;
    }

private:
    QThreadPool m_pool;
};

} // namespace bramblet
