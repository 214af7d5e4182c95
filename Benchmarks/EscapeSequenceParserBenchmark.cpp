// How fast the escape-sequence parser alone gets through typical terminal output. The terminal
// behind it only counts what it is handed, so the figures are the parser's own.

#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Parser/ParserTerminal.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

using std::to_string;

namespace {

using zentrova::DcsHandler;
using zentrova::EscapeSequenceParser;

constexpr size_t workloadSize = 4 * 1024 * 1024;
// Output reaches the terminal in reads of at most this much.
constexpr size_t readSize = 128 * 1024;

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

// Repeats `piece(i)` until the workload is full.
template <typename Piece>
std::string workload(Piece piece)
{
    std::string data;
    data.reserve(workloadSize + 4096);
    for (int i = 0; data.size() < workloadSize; ++i)
        data += piece(i);
    return data;
}

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
    static const std::string data = workload([](int i) {
        std::string line = to_string(i) + " ";
        while (line.size() < 79)
            line += "lorem ipsum dolor sit amet ";
        line.resize(79);
        return line + "\r\n";
    });
    parse(state, data);
}

void denseSgrColours(benchmark::State& state)
{
    static const std::string data = workload([](int i) {
        std::string line;
        for (int column = 0; column < 40; ++column)
            line += "\x1b[38;5;" + to_string((i + column) % 256) + "m" + char('a' + column % 26);
        return line + "\x1b[m\r\n";
    });
    parse(state, data);
}

void trueColourPerCell(benchmark::State& state)
{
    static const std::string data = workload([](int i) {
        std::mt19937 random { uint32_t(i) };
        std::string line;
        const auto channel = [&] { return to_string(random() % 256); };
        for (int column = 0; column < 40; ++column) {
            line += "\x1b[38;2;" + channel() + ";" + channel() + ";" + channel();
            line += ";48;2;" + channel() + ";" + channel() + ";" + channel() + "m#";
        }
        return line + "\x1b[m\r\n";
    });
    parse(state, data);
}

void cjkText(benchmark::State& state)
{
    static const std::string data = workload([](int) {
        // 26 ideographs of three bytes each: a 52-column line.
        return std::string("漢字仮名交じり文は日本語の表記に用いられる文字体系でありこの") + "\r\n";
    });
    parse(state, data);
}

void cursorMotion(benchmark::State& state)
{
    static const std::string data = workload([](int i) {
        return "\x1b[" + to_string(i % 50 + 1) + ";" + to_string(i % 80 + 1) + "H\x1b[Kitem " + to_string(i)
            + "\x1b[2C\x1b[1A\x1b[?25l\x1b[" + to_string(i % 80 + 1) + "G";
    });
    parse(state, data);
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
