#pragma once

#include <cstddef>

// Every allocation of the benchmark program through operator new is counted, with the bytes it
// holds, so a benchmark can tell whether its loop allocates and how much memory a piece of work
// holds at its peak. A few relaxed atomic operations per allocation; timings do not notice.
namespace allocationcounter {

size_t count();
size_t liveBytes();
size_t peakBytes();
// The peak starts again from what is held now.
void resetPeak();

} // namespace allocationcounter
