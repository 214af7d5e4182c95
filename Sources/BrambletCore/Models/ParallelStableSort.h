#pragma once

#include "BrambletCore/Models/ParallelChunks.h"

#include <algorithm>
#include <vector>

namespace bramblet {

// std::stable_sort(values, less), with the work spread over the cores for long vectors: runs are
// sorted side by side, then merged pairwise, each merge taking from the earlier run on ties, so the
// result is exactly the serial one.
template <typename T, typename Less>
void parallelStableSort(std::vector<T>& values, Less less, size_t minimumRun = 4096)
{
    const auto at = [](std::vector<T>& vector, size_t index) { return vector.begin() + ptrdiff_t(index); };
    std::vector<size_t> bounds = chunkBounds(values.size(), minimumRun);
    forEachChunk(bounds, [&](size_t begin, size_t end) { std::stable_sort(at(values, begin), at(values, end), less); });
    if (bounds.size() <= 2)
        return;

    std::vector<T> buffer(values.size());
    std::vector<T>* from = &values;
    std::vector<T>* to = &buffer;
    while (bounds.size() > 2) {
        // Runs 2k and 2k + 1 become run k; an odd last run is carried over as it is.
        std::vector<size_t> merged;
        for (size_t run = 0; run + 1 < bounds.size(); run += 2)
            merged.push_back(bounds[run]);
        merged.push_back(bounds.back());
        forEachChunk(merged, [&](size_t begin, size_t end) {
            const size_t middle = std::min(*std::upper_bound(bounds.begin(), bounds.end(), begin), end);
            std::merge(at(*from, begin), at(*from, middle), at(*from, middle), at(*from, end), at(*to, begin), less);
        });
        std::swap(from, to);
        bounds = std::move(merged);
    }
    if (from != &values)
        values.swap(buffer);
}

} // namespace bramblet
