// How long the find bar's searches take over a full scrollback of wide rows: counting every match
// (which reads every line's text again after new output) and stepping to the next match (which
// reuses the texts read before).

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Search/SearchService.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using zentrova::SearchOptions;
using zentrova::SearchService;
using zentrova::Terminal;

// 10,000 lines of 200 columns of words, "needle" on every tenth line.
void fillScrollback(Terminal& terminal)
{
    const std::string words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor ";
    std::string text;
    for (int line = 0; line < 10000; line++) {
        std::string row = line % 10 == 0 ? "needle " : "";
        while (row.size() < 200)
            row += words;
        row.resize(200);
        text += row;
        text += "\r\n";
    }
    terminal.feed(text);
}

zentrova::TerminalOptions scrollbackOptions()
{
    zentrova::TerminalOptions options;
    options.cols = 200;
    options.rows = 50;
    options.scrollback = 10000;
    return options;
}

void BM_SearchFindAllAfterOutput(benchmark::State& state)
{
    Terminal terminal(nullptr, scrollbackOptions());
    fillScrollback(terminal);
    SearchService search(terminal);
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
    Terminal terminal(nullptr, scrollbackOptions());
    fillScrollback(terminal);
    SearchService search(terminal);
    search.findNext("needle");
    for (auto _ : state)
        benchmark::DoNotOptimize(search.findNext("needle"));
}
BENCHMARK(BM_SearchFindNextSameTerm)->Unit(benchmark::kMicrosecond);

} // namespace
