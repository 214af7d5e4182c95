// How long the find bar's searches take over a full scrollback of wide rows: counting every match
// (which reads every line's text again after new output) and stepping to the next match (which
// reuses the texts read before).

#include "WideScrollback.h"

#include "Zentrova/Search/SearchService.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using zentrova::SearchOptions;
using zentrova::SearchService;

void BM_SearchFindAllAfterOutput(benchmark::State& state)
{
    const auto terminal = widescrollback::makeTerminal();
    SearchService search(*terminal);
    const SearchOptions searchOptions { .regex = state.range(0) != 0 };
    const std::string term = searchOptions.regex ? "ne+dle" : "needle";
    for (auto _ : state) {
        // New output drops the line texts: each count reads them all again.
        search.invalidate();
        benchmark::DoNotOptimize(search.findAll(term, searchOptions, 100000));
    }
}
BENCHMARK(BM_SearchFindAllAfterOutput)->ArgName("regex")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SearchFindNextSameTerm(benchmark::State& state)
{
    const auto terminal = widescrollback::makeTerminal();
    SearchService search(*terminal);
    search.findNext("needle");
    for (auto _ : state)
        benchmark::DoNotOptimize(search.findNext("needle"));
}
BENCHMARK(BM_SearchFindNextSameTerm)->Unit(benchmark::kMicrosecond);

} // namespace
