#pragma once

#include <QList>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <numeric>
#include <span>
#include <vector>

namespace bramblet {

// Calls `work(i, buffer)` once for every i in [0, sizes.size()), the largest sizes first so that
// one big file does not end the run alone, on all cores at once. Every thread has its own buffer
// of `bufferSize` bytes, so memory stays flat whatever the sizes. The calling thread works too, so
// progress never depends on a free thread in the shared pool. Returns once all are done; `work`
// must not throw.
template <typename Size, typename Work>
void forEachLargestFirst(const std::vector<Size>& sizes, size_t bufferSize, const Work& work)
{
    if (sizes.empty())
        return;
    std::vector<size_t> byBigness(sizes.size());
    std::iota(byBigness.begin(), byBigness.end(), size_t { 0 });
    std::stable_sort(byBigness.begin(), byBigness.end(), [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    std::atomic<size_t> next = 0;
    const auto worker = [&] {
        const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(bufferSize);
        for (size_t i = next++; i < sizes.size(); i = next++)
            work(byBigness[i], std::span<unsigned char>(buffer.get(), bufferSize));
    };
    const size_t helpers = std::min<size_t>(static_cast<size_t>(QThread::idealThreadCount()), sizes.size());
    QList<QFuture<void>> running;
    for (size_t i = 1; i < helpers; ++i)
        running << QtConcurrent::run(QThreadPool::globalInstance(), worker);
    worker();
    for (QFuture<void>& future : running)
        future.waitForFinished();
}

} // namespace bramblet
