#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <exception>

namespace bramblet {

// Calls `handler(future)` on `context`'s thread once `future` has finished, failed or been
// cancelled, unless `context` is gone by then. Unlike QFuture::then(context, ...), the work may
// outlive the context: the watcher dies with it and the late answer goes nowhere.
template <typename T, typename Handler>
void whenFinished(const QFuture<T>& future, QObject* context, Handler handler)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, handler = std::move(handler)]() mutable {
                         watcher->deleteLater();
                         handler(watcher->future());
                     });
    watcher->setFuture(future);
}

// Calls `handler(future, index)` on `context`'s thread for each result `future` reports, those it
// holds already included, unless `context` is gone by then.
template <typename T, typename Handler>
void whenResultReady(const QFuture<T>& future, QObject* context, Handler handler)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::resultReadyAt, context,
                     [watcher, handler = std::move(handler)](int index) mutable { handler(watcher->future(), index); });
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, &QObject::deleteLater);
    watcher->setFuture(future);
}

// The exception a finished future failed with; none for a result or a plain cancellation.
template <typename T>
std::exception_ptr failureOf(const QFuture<T>& future)
{
    try {
        QFuture<T>(future).waitForFinished(); // rethrows what the work threw
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// Whether a finished future that did not fail carries its result (it was not cancelled first).
template <typename T>
bool hasResult(const QFuture<T>& future)
{
    return future.resultCount() > 0;
}

} // namespace bramblet
