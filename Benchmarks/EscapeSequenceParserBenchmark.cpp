// How fast the escape-sequence parser alone gets through typical terminal output. The terminal
// behind it only counts what it is handed, so the figures are the parser's own.

#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Parser/ParserTerminal.h"

#include "TerminalWorkloads.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

using std::to_string;

namespace {

using zentrova::DcsHandler;
using zentrova::EscapeSequenceParser;

using terminalworkloads::readSize;
using terminalworkloads::workload;

class CountingTerminal : public zentrova::ParserTerminal {
public:
    void dispatchExecute(uint8_t) override { ++calls; }
    void dispatchEsc(std::span<const uint8_t>, uint8_t) override { ++calls; }
    void dispatchCsi(uint8_t, std::span<const int> pars, std::span<const uint8_t>) override { calls += pars.size(); }
    void dispatchOsc(int64_t, std::span<const uint8_t> data) override { calls += data.size(); }
    void handleKittyGraphics(std::span<const uint8_t>) override { ++calls; }
    std::unique_ptr<DcsHandler> makeSixelDcsHandler() override { return nullptr; }
    std::unique_ptr<DcsHandler> makeStatusStringDcsHandler() override { return nullptr; }

    size_t calls = 0;
};

void parse(benchmark::State& state, const std::string& data)
{
    CountingTerminal terminal;
    EscapeSequenceParser parser(&terminal);
    size_t printed = 0;
    parser.printHandler = [&](std::span<const uint8_t> run) { printed += run.size(); };
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    for (auto _ : state) {
        for (size_t offset = 0; offset < data.size(); offset += readSize)
            parser.parse({ bytes + offset, std::min(readSize, data.size() - offset) });
        benchmark::DoNotOptimize(printed);
        benchmark::DoNotOptimize(terminal.calls);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void plainAsciiLines(benchmark::State& state)
{
    parse(state, terminalworkloads::plainAsciiLines());
}

void denseSgrColours(benchmark::State& state)
{
    parse(state, terminalworkloads::denseSgrColours());
}

void trueColourPerCell(benchmark::State& state)
{
    parse(state, terminalworkloads::trueColourPerCell());
}

void cjkText(benchmark::State& state)
{
    parse(state, terminalworkloads::cjkText());
}

void cursorMotion(benchmark::State& state)
{
    parse(state, terminalworkloads::cursorMotion());
}

void longOscStrings(benchmark::State& state)
{
    static const std::string data = workload([](int) {
        // A clipboard copy of 48 KiB: 64 KiB of base64.
        return "\x1b]52;c;" + std::string(64 * 1024, 'Q') + "\x07";
    });
    parse(state, data);
}

BENCHMARK(plainAsciiLines);
BENCHMARK(denseSgrColours);
BENCHMARK(trueColourPerCell);
BENCHMARK(cjkText);
BENCHMARK(cursorMotion);
BENCHMARK(longOscStrings);

} // namespace
