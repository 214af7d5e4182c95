#pragma once

#include "BrambletCore/Concurrency/Cancellation.h"

#include <QFuture>
#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <type_traits>

namespace bramblet {

// The one executor of a service actor (FileService, SyncService, S3Service, TrueNASService):
// work runs one item at a time, in the order it was submitted, on a thread of its own.
//
// Work is a callable taking `const Cancellation&`. Its result arrives through the returned
// future; an exception it throws arrives as itself, so callers can write
//     future.then(this, onResult).onFailed(this, [](const FileFailure& f) { ... });
// (a plain std::runtime_error thrown inside QtConcurrent would otherwise surface only as
// QUnhandledException). Work whose future was cancelled before it started does not run.
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
        return QtConcurrent::run(&m_pool, [work = std::move(work)](QPromise<Result>& promise) mutable {
            if (promise.isCanceled())
                return;
            const Cancellation cancellation([&promise] { return promise.isCanceled(); });
            try {
                if constexpr (std::is_void_v<Result>)
                    work(cancellation);
                else
                    promise.addResult(work(cancellation));
            } catch (...) {
                promise.setException(std::current_exception());
            }
        });
    }

private:
    QThreadPool m_pool;
};

} // namespace bramblet
