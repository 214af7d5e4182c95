// The memory a narrowing resize holds at its peak. A terminal with 10,000 rows of scrollback is given
// 12,000 lines of words of many lengths (up to 160 columns, 80 on average) and is then narrowed;
// every new row costs memory, so the peak is compared with what the buffer holds before and after.

#include "Zentrova/Engine/Terminal.h"

#include "AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using zentrova::Terminal;

constexpr int lineCount = 12000;
constexpr int scrollback = 10000;

std::string text()
{
    const std::string words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor ";
    std::string bytes;
    for (int line = 0; line < lineCount; line++) {
        const size_t length = size_t(line * 7919) % 161;
        std::string row;
        while (row.size() < length)
            row += words;
        row.resize(length);
        bytes += row;
        bytes += "\r\n";
    }
    return bytes;
}

double megabytes(size_t bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

// Arguments: old columns, old rows, new columns, new rows.
void BM_NarrowingPeakMemory(benchmark::State& state)
{
    const std::string bytes = text();
    zentrova::TerminalOptions options;
    options.cols = int(state.range(0));
    options.rows = int(state.range(1));
    options.scrollback = scrollback;
    size_t before = 0;
    size_t after = 0;
    size_t peak = 0;
    int rowsAfter = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t empty = allocationcounter::liveBytes();
        auto terminal = std::make_unique<Terminal>(nullptr, options);
        terminal->feed(bytes);
        before = allocationcounter::liveBytes() - empty;
        allocationcounter::resetPeak();
        state.ResumeTiming();

        terminal->resize(int(state.range(2)), int(state.range(3)));

        state.PauseTiming();
        peak = allocationcounter::peakBytes() - empty;
        after = allocationcounter::liveBytes() - empty;
        rowsAfter = terminal->buffer().lines().count();
        terminal.reset();
        state.ResumeTiming();
    }
    state.counters["before_MB"] = megabytes(before);
    state.counters["after_MB"] = megabytes(after);
    state.counters["peak_MB"] = megabytes(peak);
    state.counters["peak_over_before_plus_after"] = double(peak) / double(before + after);
    state.counters["rows_after"] = rowsAfter;
}
BENCHMARK(BM_NarrowingPeakMemory)
    ->Args({ 2000, 50, 2, 1 })
    ->Args({ 400, 50, 2, 1 })
    ->Args({ 80, 24, 2, 1 })
    ->Args({ 400, 50, 10, 50 })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
