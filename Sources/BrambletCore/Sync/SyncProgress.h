#pragma once

#include <QtGlobal>

#include <atomic>

namespace bramblet {

// How far a running plan has got: the planner counts on its executor, the window reads the count
// from the main thread whenever it redraws, without waiting for the walk.
class SyncProgress {
public:
    // Items listed so far on both sides, folders included.
    qint64 listedItems() const { return m_listed.load(std::memory_order_relaxed); }
    void addListed(qint64 count) { m_listed.fetch_add(count, std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_listed { 0 };
};

} // namespace bramblet
