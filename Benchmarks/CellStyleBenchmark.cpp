// What the terminal view pays to turn a cell into its drawing style: the lookup every row layout makes
// for every cell once the caches are warm, and a screen full of distinct true colours seen for the
// first time.

#include "Zentrova/Screen/CharData.h"
#include "ZentrovaView/TerminalView.h"

#include "BenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int screenCols = 200;
constexpr int screenRows = 50;

// A 200x50 view whose screen holds one character per cell, each cell preceded by the SGR `sgrForCell`
// gives for its index.
template <typename SgrForCell>
std::unique_ptr<zentrova::TerminalView> filledView(SgrForCell sgrForCell)
{
    bench::ensureApplication();
    zentrova::TerminalOptions options;
    options.cols = screenCols;
    options.rows = screenRows;
    auto view = std::make_unique<zentrova::TerminalView>(nullptr, std::nullopt, options);
    std::string bytes;
    for (int row = 0; row < screenRows; row++) {
        bytes += "\x1b[" + std::to_string(row + 1) + "H";
        for (int col = 0; col < screenCols; col++)
            bytes += sgrForCell(row * screenCols + col) + "X";
    }
    view->terminal().feed(bytes);
    return view;
}

template <typename Each>
void forEachScreenCell(zentrova::TerminalView& view, Each each)
{
    zentrova::Buffer& buffer = view.terminal().buffer();
    for (int row = 0; row < screenRows; row++) {
        const zentrova::BufferLine& line = buffer.line(buffer.yBase() + row);
        for (int col = 0; col < screenCols; col++)
            each(line[col]);
    }
}

// 16 attributes in turn (8 colours, with and without bold), all already cached.
void BM_CellStyleWarm(benchmark::State& state)
{
    auto view = filledView([](int cell) { return "\x1b[0;" + std::string(cell % 2 ? "1;" : "") + std::to_string(30 + cell / 2 % 8) + "m"; });
    forEachScreenCell(*view, [&](const zentrova::CharData& cell) { view->getAttributes(cell, false); });
    for (auto _ : state) {
        forEachScreenCell(*view, [&](const zentrova::CharData& cell) {
            const zentrova::CellStyle& style = view->getAttributes(cell, false);
            benchmark::DoNotOptimize(&style);
        });
    }
    state.SetItemsProcessed(state.iterations() * screenCols * screenRows);
    state.counters["ns_per_cell"] = benchmark::Counter(double(state.iterations()) * screenCols * screenRows,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                       benchmark::Counter::kIs1000);
}
BENCHMARK(BM_CellStyleWarm)->Unit(benchmark::kMicrosecond);

// 10,000 distinct true-colour foregrounds on a true-colour background, every cache empty first.
void BM_CellStyleColdTrueColorScreen(benchmark::State& state)
{
    auto view = filledView([](int cell) {
        return "\x1b[38;2;" + std::to_string(cell % 256) + ";" + std::to_string(cell / 256) + ";90;48;2;10;20;"
            + std::to_string(cell % 100) + "m";
    });
    for (auto _ : state) {
        state.PauseTiming();
        view->resetCaches();
        state.ResumeTiming();
        forEachScreenCell(*view, [&](const zentrova::CharData& cell) {
            const zentrova::CellStyle& style = view->getAttributes(cell, false);
            benchmark::DoNotOptimize(&style);
        });
    }
    state.SetItemsProcessed(state.iterations() * screenCols * screenRows);
}
BENCHMARK(BM_CellStyleColdTrueColorScreen)->Unit(benchmark::kMillisecond);

} // namespace
