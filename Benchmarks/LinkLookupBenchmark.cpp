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

// A 320 x 66 screen full of one kind of text, asked in its middle; at most 10 ms whatever the text.
// Runs of characters a link may hold are the hard case: the pattern used to try every start in a run
// and scan to the run's end from each. Soft-wrapped screens are one paragraph; screens of full rows
// broken by the program are joined row to row by the continuation rules.
void BM_ImplicitLinkOnAFullScreen(benchmark::State& state)
{
    static const std::string texts[] = {
        "0123456789abcdef",                         // hexadecimal digits
        "a.",                                       // dots between words: could end in an extension
        "ab/",                                      // path segments
        "a-",                                       // word characters and dashes
        "a ",                                       // single spaces, as paths may hold
        "https://x.org/",                           // links back to back
        "lorem ipsum dolor sit amet, consectetur ", // prose
    };
    const std::string& piece = texts[size_t(state.range(0))];
    const bool brokenRows = state.range(1) != 0;
    zentrova::TerminalOptions options;
    options.cols = 320;
    options.rows = 66;
    options.scrollback = 0;
    QuietHost host;
    Terminal terminal(&host, options);
    std::string row;
    while (row.size() < 320)
        row += piece;
    row.resize(320);
    for (int i = 0; i < options.rows; i++)
        terminal.feed(brokenRows && i + 1 < options.rows ? row + "\r\n" : row);

    const auto at = LinkLookupLocation::screen({ 160, 33 });
    for (auto _ : state)
        benchmark::DoNotOptimize(terminal.linkMatch(at, LinkLookupMode::explicitAndImplicit));
}
BENCHMARK(BM_ImplicitLinkOnAFullScreen)
    ->ArgsProduct({ { 0, 1, 2, 3, 4, 5, 6 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond);

} // namespace
