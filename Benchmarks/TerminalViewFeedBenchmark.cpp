// What showing output costs on top of parsing it: 100 MiB of dense colour output read in 128 KiB chunks
// by a shown 200×50 view (paced redraws painted by the offscreen platform, the event loop run after
// every chunk as the program's would), against a headless terminal fed the same chunks. Reports the
// view's time over the headless terminal's, paints per second and the longest stretch the main thread
// spent without returning to its event loop.

// The engine's headers first: Qt makes "slots" a macro.
#include "ZentrovaView/TerminalView.h"

#include "BenchmarkApplication.h"
#include "TerminalWorkloads.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
using terminalworkloads::readSize;

constexpr int screenCols = 200;
constexpr int screenRows = 50;
// The 4 MiB workload this many times.
constexpr int repeats = 25;

class SilentHost : public zentrova::TerminalDelegate {
public:
    void send(zentrova::Terminal&, std::span<const uint8_t>) override { }
};

// A view that counts what it paints.
class CountingView : public zentrova::TerminalView {
public:
    using TerminalView::TerminalView;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        paints++;
        TerminalView::paintEvent(event);
    }
};

zentrova::TerminalOptions screen()
{
    zentrova::TerminalOptions options;
    options.cols = screenCols;
    options.rows = screenRows;
    options.scrollback = 10000;
    return options;
}

// Calls `chunk` with every 128 KiB piece of the output, in order.
template<typename Feed>
void forEachChunk(Feed&& chunk)
{
    const std::string& data = terminalworkloads::denseSgrColours();
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    for (int i = 0; i < repeats; i++) {
        for (size_t offset = 0; offset < data.size(); offset += readSize)
            chunk(std::span(bytes + offset, std::min(readSize, data.size() - offset)));
    }
}

double headlessSeconds()
{
    SilentHost host;
    zentrova::Terminal terminal(&host, screen());
    const auto start = Clock::now();
    forEachChunk([&](std::span<const uint8_t> chunk) { terminal.feed(chunk); });
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_ShownViewFeed(benchmark::State& state)
{
    bench::ensureApplication();
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(12);
    CountingView view(nullptr, font, screen());
    view.resize(view.getOptimalFrameSize().size());
    view.show();
    QCoreApplication::processEvents();
    if (view.terminal().cols != screenCols || view.terminal().rows != screenRows) {
        state.SkipWithError("the shown view did not keep the 200x50 grid");
        return;
    }

    double viewTotal = 0;
    double headlessTotal = 0;
    Clock::duration longestStall {};
    int paints = 0;
    for (auto _ : state) {
        view.paints = 0;
        const auto start = Clock::now();
        forEachChunk([&](std::span<const uint8_t> chunk) {
            const auto chunkStart = Clock::now();
            view.feed(chunk);
            QCoreApplication::processEvents();
            longestStall = std::max(longestStall, Clock::now() - chunkStart);
        });
        viewTotal += std::chrono::duration<double>(Clock::now() - start).count();
        paints += view.paints;

        state.PauseTiming();
        headlessTotal += headlessSeconds();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * repeats
                            * int64_t(terminalworkloads::denseSgrColours().size()));
    state.counters["vs_headless"] = viewTotal / headlessTotal;
    state.counters["paints_per_s"] = paints / viewTotal;
    state.counters["longest_stall_ms"] = std::chrono::duration<double, std::milli>(longestStall).count();
}
BENCHMARK(BM_ShownViewFeed)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
