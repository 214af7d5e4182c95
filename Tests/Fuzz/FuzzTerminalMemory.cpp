// Memory over a long session: one terminal lives through every run and is fed a stream that never
// repeats itself: each run brings new hyperlinks, new combining clusters and new true colours,
// with the fuzzer's bytes (printable text only) between them. The tables behind links and clusters
// are bounded and give back what no cell holds, so the process's memory (libFuzzer's "rss", run
// with -rss_limit_mb) must level off however long the run.

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <fmt/format.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace zentrova;

namespace {

class SilentDelegate final : public TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override {}
};

Terminal& sessionTerminal()
{
    static SilentDelegate delegate;
    static Terminal terminal(&delegate, [] {
        TerminalOptions options;
        options.cols = 80;
        options.rows = 24;
        options.scrollback = 1000;
        return options;
    }());
    return terminal;
}

// "e" and five combining marks spelling `n` in base 16: a cluster no earlier run printed.
std::string cluster(uint64_t n)
{
    std::string text = "e";
    for (int digit = 0; digit < 5; ++digit, n /= 16) {
        const char32_t mark = U'\u0300' + char32_t(n % 16);
        text += char(0xC0 | (mark >> 6));
        text += char(0x80 | (mark & 0x3F));
    }
    return text;
}

std::string printable(const uint8_t* data, size_t size)
{
    std::string text;
    for (size_t k = 0; k < size && k < 200; ++k)
        text += data[k] >= 0x20 && data[k] < 0x7F ? char(data[k]) : ' ';
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static uint64_t counter = 0;
    Terminal& terminal = sessionTerminal();
    const std::string text = printable(data, size);
    std::string stream;
    // Enough items per run that the tables pass their bounds (65536 each) within minutes.
    for (int item = 0; item < 64; ++item) {
        const uint64_t n = ++counter;
        const unsigned colour = unsigned(n * 2654435761u) & 0xFFFFFF;
        stream += fmt::format("\x1b]8;id={0};https://example.com/{0}\x1b\\link{0}\x1b]8;;\x1b\\", n);
        stream += fmt::format("\x1b[38;2;{};{};{}m", colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF);
        stream += fmt::format("\x1b[48;2;{};{};{}m", colour & 0xFF, colour >> 16, (colour >> 8) & 0xFF);
        stream += cluster(n) + ' ' + text + "\x1b[0m\r\n";
    }
    terminal.feed(stream);
    return 0;
}
