// How fast a whole terminal (parser, dispatch, printing, scrolling into a 10,000-row scrollback)
// gets through typical output, on screens of 80x24 and 200x50, and what the scrollback costs in
// memory. Sequences whose handlers are still to come go through the silent fallbacks.

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include "AllocationCounter.h"
#include "TerminalWorkloads.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>

namespace {

using zentrova::Terminal;
using zentrova::TerminalOptions;

using terminalworkloads::readSize;
using terminalworkloads::workload;

constexpr int scrollback = 10000;

class SilentHost : public zentrova::TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override { }
};

TerminalOptions screen(const benchmark::State& state)
{
    TerminalOptions options;
    options.cols = int(state.range(0));
    options.rows = int(state.range(1));
    options.scrollback = scrollback;
    return options;
}

void feed(benchmark::State& state, const std::string& data, const TerminalOptions& options)
{
    SilentHost host;
    Terminal terminal(&host, options);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const auto feedAll = [&] {
        for (size_t offset = 0; offset < data.size(); offset += readSize)
            terminal.feed(std::span(bytes + offset, std::min(readSize, data.size() - offset)));
        terminal.clearUpdateRange();
    };
    // Measured with the scrollback full, as a terminal that has been in use for a while runs: the
    // workload goes in until the rows stop growing, however few lines one pass of it holds.
    const auto& lines = terminal.buffer().lines();
    for (int count = -1; lines.count() != count && !lines.isFull();) {
        count = lines.count();
        feedAll();
    }
    for (auto _ : state)
        feedAll();
    benchmark::DoNotOptimize(terminal.getCursorLocation());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void feed(benchmark::State& state, const std::string& data)
{
    feed(state, data, screen(state));
}

void plainAscii(benchmark::State& state)
{
    feed(state, terminalworkloads::plainAsciiLines());
}

void logLines(benchmark::State& state)
{
    feed(state, terminalworkloads::colouredLogLines());
}

void denseSgr(benchmark::State& state)
{
    feed(state, terminalworkloads::denseSgrColours());
}

void trueColour(benchmark::State& state)
{
    feed(state, terminalworkloads::trueColourPerCell());
}

void cjk(benchmark::State& state)
{
    feed(state, terminalworkloads::cjkText());
}

void emoji(benchmark::State& state)
{
    static const std::string data = workload([](int i) {
        // Emoji beyond the basic plane, a skin tone, a flag and a family joined by ZWJ.
        return "\U0001F600\U0001F680\U0001F44D\U0001F3FD \U0001F1E9\U0001F1EA "
               "\U0001F468\u200D\U0001F469\u200D\U0001F467 \u2764\uFE0F "
            + std::to_string(i) + "\r\n";
    });
    feed(state, data);
}

void cursorMotion(benchmark::State& state)
{
    feed(state, terminalworkloads::cursorMotion());
}

// A full-screen editor with a status line on an 80x24 screen: the scroll region is every row but
// the last, and each new line is a line feed on the region's bottom row. The region starts at the
// top, so the rows it scrolls out go to the scrollback, whose size (the argument) must not matter.
void regionScroll(benchmark::State& state)
{
    static const std::string data = "\x1b[1;23r\x1b[23;1H" + workload([](int i) {
        return "\r\n" + std::string(78, char('a' + i % 26));
    });
    TerminalOptions options;
    options.cols = 80;
    options.rows = 24;
    options.scrollback = int(state.range(0));
    feed(state, data, options);
}

// A stream of full resets (ESC c), as a program that clears the terminal in a loop sends.
void resets(benchmark::State& state)
{
    std::string data;
    for (int i = 0; i < 16 * 1024; i++)
        data += "\x1b" "c";
    feed(state, data);
}

// The heap a terminal with a full 10,000-row scrollback takes, in the "bytes" counter.
void scrollbackMemory(benchmark::State& state)
{
    const std::string line = std::string(size_t(state.range(0)) - 1, 'x') + "\r\n";
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        SilentHost host;
        Terminal terminal(&host, screen(state));
        for (int i = 0; i < scrollback + int(state.range(1)); i++)
            terminal.feed(line);
        const size_t after = mallinfo2().uordblks;
        state.counters["bytes"] = double(after - before);
        state.counters["bytesPerRow"] = double(after - before) / double(terminal.buffer().lines().count());
        state.counters["sizeofCharData"] = double(sizeof(zentrova::CharData));
    }
}

// Scrolling a million lines through a full scrollback: once the ring is full, rows are recycled,
// so the "allocationsPerLine" counter should read 0.
void scrollAllocations(benchmark::State& state)
{
    std::string data;
    for (int i = 0; i < 1000; i++)
        data += std::string(79, char('a' + i % 26)) + "\r\n";
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const std::span<const uint8_t> thousandLines(bytes, data.size());
    for (auto _ : state) {
        SilentHost host;
        Terminal terminal(&host, screen(state));
        for (int i = 0; i < 20; i++)
            terminal.feed(thousandLines);
        const size_t before = allocationcounter::count();
        for (int i = 0; i < 1000; i++)
            terminal.feed(thousandLines);
        state.counters["allocationsPerLine"] = double(allocationcounter::count() - before) / 1e6;
    }
}

// One character of 1 MiB: a letter with combining marks, or emoji glued by zero-width joiners. A
// cell keeps only so many scalars, so the time is linear and what feeding it adds to the heap (the
// "heapGrowth" counter) small.
void endlessCluster(benchmark::State& state)
{
    const std::string repeated = state.range(0) == 0 ? "\u0301" : "\U0001F468\u200D";
    std::string data = "e";
    while (data.size() < 1024 * 1024)
        data += repeated;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    for (auto _ : state) {
        SilentHost host;
        Terminal terminal(&host, TerminalOptions {});
        const size_t before = mallinfo2().uordblks;
        for (size_t offset = 0; offset < data.size(); offset += readSize)
            terminal.feed(std::span(bytes + offset, std::min(readSize, data.size() - offset)));
        state.counters["heapGrowth"] = double(int64_t(mallinfo2().uordblks) - int64_t(before));
        benchmark::DoNotOptimize(terminal.getCursorLocation());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void screens(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Args({ 80, 24 })->Args({ 200, 50 });
}

BENCHMARK(plainAscii)->Apply(screens);
BENCHMARK(logLines)->Apply(screens);
BENCHMARK(denseSgr)->Apply(screens);
BENCHMARK(trueColour)->Apply(screens);
BENCHMARK(cjk)->Apply(screens);
BENCHMARK(emoji)->Apply(screens);
BENCHMARK(cursorMotion)->Apply(screens);
BENCHMARK(regionScroll)->Arg(0)->Arg(1000)->Arg(10000);
BENCHMARK(resets)->Args({ 80, 24 });
BENCHMARK(scrollAllocations)->Args({ 80, 24 })->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(endlessCluster)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(scrollbackMemory)->Args({ 200, 50 })->Iterations(1);

} // namespace
