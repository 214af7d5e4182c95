#pragma once

#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace bramblet {

// The bounds of the runs that split [0, count): one run per core but one, which stays free for the
// user interface, each at least `minimum` long (one run when count is below twice that). Run i
// is [bounds[i], bounds[i + 1]).
inline std::vector<size_t> chunkBounds(size_t count, size_t minimum)
{
    const size_t cores = size_t(std::max(QThread::idealThreadCount() - 1, 1));
    const size_t parts = std::clamp<size_t>(count / std::max<size_t>(minimum, 1), 1, cores);
    std::vector<size_t> bounds;
    bounds.reserve(parts + 1);
    for (size_t part = 0; part <= parts; ++part)
        bounds.push_back(count * part / parts);
    return bounds;
}

// The index of the run of `bounds` that starts at `begin`.
inline size_t runOf(const std::vector<size_t>& bounds, size_t begin)
{
    return size_t(std::lower_bound(bounds.begin(), bounds.end(), begin) - bounds.begin());
}

// Calls `work(begin, end)` for every run of `bounds`, on the calling thread and on threads of the
// global pool, and returns once all are done. One run is worked on the calling thread alone.
// `work` must not throw.
template <typename Work>
void forEachChunk(const std::vector<size_t>& bounds, Work work)
{
    if (bounds.size() <= 2) {
        if (bounds.size() == 2)
            work(bounds[0], bounds[1]);
        return;
    }
    std::vector<size_t> runs(bounds.size() - 1);
    std::iota(runs.begin(), runs.end(), size_t(0));
    QtConcurrent::blockingMap(runs, [&](size_t run) { work(bounds[run], bounds[run + 1]); });
}

template <typename Work>
void forEachChunk(size_t count, size_t minimum, Work work)
{
    forEachChunk(chunkBounds(count, minimum), work);
}

} // namespace bramblet
