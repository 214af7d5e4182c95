// The memory an APC string holds while it arrives: 64 MiB of one string fed in reads of 64 KiB, as
// a program (or a file it prints) could send it. A string that is no kitty graphics command must
// cost nothing however long it is; a kitty command's payload is kept up to the image store's budget.

#include "Zentrova/Engine/Terminal.h"

#include "AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using zentrova::Terminal;

constexpr size_t stringBytes = size_t(64) << 20;
constexpr size_t readBytes = size_t(64) << 10;

// Arguments: 0 for an unknown command ("x"), 1 for a kitty graphics command ("G").
void BM_ApcStringPeakMemory(benchmark::State& state)
{
    const bool kitty = state.range(0) == 1;
    const std::string introducer = kitty ? "\x1b_Ga=t,i=1;" : "\x1b_x";
    const std::string read(readBytes, 'A');
    size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Terminal terminal(nullptr);
        terminal.feed(introducer);
        const size_t before = allocationcounter::liveBytes();
        allocationcounter::resetPeak();
        state.ResumeTiming();

        for (size_t fed = 0; fed < stringBytes; fed += readBytes)
            terminal.feed(read);
        terminal.feed("\x1b\\");

        state.PauseTiming();
        peak = allocationcounter::peakBytes() - before;
        state.ResumeTiming();
    }
    state.counters["string_MB"] = double(stringBytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = double(peak) / (1024.0 * 1024.0);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stringBytes));
}
BENCHMARK(BM_ApcStringPeakMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
