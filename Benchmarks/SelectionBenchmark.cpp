// How long selecting takes over a full scrollback of wide rows: select all and copy (one command),
// and one drag step (every pointer move while dragging).

#include "WideScrollback.h"

#include "Zentrova/Screen/Position.h"
#include "Zentrova/Text/SelectionService.h"

#include <benchmark/benchmark.h>

namespace {

using zentrova::Position;
using zentrova::SelectionService;

void BM_SelectionSelectAllAndCopy(benchmark::State& state)
{
    const auto terminal = widescrollback::makeTerminal();
    SelectionService selection(*terminal);
    for (auto _ : state) {
        selection.selectAll();
        benchmark::DoNotOptimize(selection.getSelectedText());
    }
}
BENCHMARK(BM_SelectionSelectAllAndCopy)->Unit(benchmark::kMillisecond);

// A word-mode drag: each step finds the word boundary under the pointer.
void BM_SelectionWordDragStep(benchmark::State& state)
{
    const auto terminal = widescrollback::makeTerminal();
    SelectionService selection(*terminal);
    selection.selectWordOrExpression({ 10, 5000 }, terminal->buffer());
    int col = 0;
    for (auto _ : state) {
        selection.dragExtend(Position { col, 5001 });
        col = (col + 7) % 200;
    }
}
BENCHMARK(BM_SelectionWordDragStep)->Unit(benchmark::kMicrosecond);

} // namespace
