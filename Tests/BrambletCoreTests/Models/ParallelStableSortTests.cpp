#include "BrambletCore/Models/ParallelStableSort.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

namespace bramblet {
namespace {

TEST(ParallelStableSort, SameAsSerialStableSort)
{
    // Few distinct keys, so most elements tie and any reordering of ties shows. Runs of one
    // element make odd run counts and uneven merges on any number of cores.
    std::mt19937 random(7);
    for (size_t count : { 0, 1, 2, 3, 7, 100, 1001, 20000 }) {
        for (size_t minimumRun : { 1, 3, 4096 }) {
            SCOPED_TRACE(testing::Message() << count << " elements, runs of at least " << minimumRun);
            std::vector<std::pair<int, size_t>> values;
            for (size_t index = 0; index < count; ++index)
                values.emplace_back(int(random() % 5), index);
            const auto byKey = [](const auto& a, const auto& b) { return a.first < b.first; };
            auto expected = values;
            std::stable_sort(expected.begin(), expected.end(), byKey);
            parallelStableSort(values, byKey, minimumRun);
            EXPECT_EQ(values, expected);
        }
    }
}

} // namespace
} // namespace bramblet
