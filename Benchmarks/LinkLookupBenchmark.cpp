// How long finding the link under the pointer takes, which the view asks on every hover. The hard
// case is one long soft-wrapped paragraph (a minified file printed without line breaks): the rows
// joined around the pointer, and so the text the link pattern runs over, grow with it.

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using zentrova::LinkLookupLocation;
using zentrova::LinkLookupMode;
using zentrova::Terminal;

class QuietHost : public zentrova::TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override { }
};

// A paragraph of `rows` full rows of 200 columns, URLs among plain words, with no line break.
void BM_ImplicitLinkInWrappedParagraph(benchmark::State& state)
{
    const int rows = int(state.range(0));
    zentrova::TerminalOptions options;
    options.cols = 200;
    options.rows = 50;
    options.scrollback = 10000;
    QuietHost host;
    Terminal terminal(&host, options);

    const std::string piece = "{\"name\":\"value\",\"home\":\"https://example.org/a/b?c=d\",\"n\":12345},";
    std::string paragraph;
    while (paragraph.size() < size_t(rows) * 200)
        paragraph += piece;
    paragraph.resize(size_t(rows) * 200);
    terminal.feed(paragraph);

    // A cell in the middle of the screen, inside the paragraph.
    const auto at = LinkLookupLocation::screen({ 100, 25 });
    for (auto _ : state)
        benchmark::DoNotOptimize(terminal.linkMatch(at, LinkLookupMode::explicitAndImplicit));
}
BENCHMARK(BM_ImplicitLinkInWrappedParagraph)->Arg(50)->Arg(1000)->Arg(8000)->Unit(benchmark::kMicrosecond);

} // namespace
