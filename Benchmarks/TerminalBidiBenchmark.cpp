// What the bidi layout costs a redraw of a 200x50 screen: every visible row asks for its
// paragraph's layout, as the view does. A screen without right-to-left text should cost one quick
// scan per paragraph (cold) or a cache lookup (warm); a screen of mixed Hebrew, Arabic and Latin
// paragraphs is laid out cold (both caches emptied) and from the caches. The floor is one read of
// every cell of the screen.

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Text/TerminalBidi.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using zentrova::Terminal;
using zentrova::TerminalBidi;

constexpr int cols = 200;
constexpr int rows = 50;
constexpr uint64_t font = 1;

class SilentHost : public zentrova::TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override { }
};

// 50 rows of Latin text, some lines wrapped over two rows.
std::string latinScreen()
{
    std::string text;
    for (int line = 0; line < 40; line++) {
        std::string row = std::to_string(line) + " ";
        const size_t length = line % 4 == 0 ? 320 : 150;
        while (row.size() < length)
            row += "lorem ipsum (dolor) sit amet, 42 ";
        row.resize(length);
        text += row + "\r\n";
    }
    return text;
}

// Lines of Hebrew, Arabic and Latin words with digits and brackets, some wrapped over two rows.
std::string mixedScreen()
{
    const char* const words[] = { "\u05E9\u05DC\u05D5\u05DD", "\u0645\u0631\u062D\u0628\u0627", "hello",
                                  "\u05E2\u05D5\u05DC\u05DD", "(\u0628\u0627\u0644\u0639\u0627\u0644\u0645)", "2026",
                                  "\u0644\u0627", "world" };
    std::string text;
    for (int line = 0; line < 40; line++) {
        std::string row = std::to_string(line) + " ";
        const size_t cells = line % 4 == 0 ? 320 : 150;
        for (size_t count = row.size(), word = size_t(line); count < cells; word++) {
            row += words[word % 8];
            row += ' ';
            count += 6;
        }
        text += row + "\r\n";
    }
    return text;
}

struct Screen {
    SilentHost host;
    Terminal terminal;

    explicit Screen(const std::string& text)
        : terminal(&host, [] {
            zentrova::TerminalOptions options;
            options.cols = cols;
            options.rows = rows;
            return options;
        }())
    {
        terminal.feed(text);
    }

    // Every visible row's layout, as a redraw asks for them.
    size_t layOut()
    {
        zentrova::Buffer& buffer = terminal.buffer();
        size_t laidOut = 0;
        for (int y = 0; y < rows; y++) {
            const int row = buffer.yDisp() + y;
            if (const auto result = TerminalBidi::paragraphResult(row, buffer, cols, terminal, font))
                laidOut += result->rows.count(row);
        }
        return laidOut;
    }
};

void screenCellPass(benchmark::State& state)
{
    Screen screen(mixedScreen());
    zentrova::Buffer& buffer = screen.terminal.buffer();
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int y = 0; y < rows; y++) {
            const zentrova::BufferLine& line = buffer.line(buffer.yDisp() + y);
            for (int col = 0; col < cols; col++)
                sum += line[col].code();
        }
        benchmark::DoNotOptimize(sum);
    }
}

void layOut(benchmark::State& state, const std::string& text, bool cold)
{
    Screen screen(text);
    TerminalBidi::clearCaches();
    size_t laidOut = screen.layOut();
    for (auto _ : state) {
        if (cold)
            TerminalBidi::clearCaches();
        laidOut = screen.layOut();
        benchmark::DoNotOptimize(laidOut);
    }
    state.counters["rowsLaidOut"] = double(laidOut);
}

void leftToRightScreenCold(benchmark::State& state)
{
    layOut(state, latinScreen(), true);
}

void leftToRightScreenCached(benchmark::State& state)
{
    layOut(state, latinScreen(), false);
}

void mixedScreenCold(benchmark::State& state)
{
    layOut(state, mixedScreen(), true);
}

void mixedScreenCached(benchmark::State& state)
{
    layOut(state, mixedScreen(), false);
}

} // namespace

BENCHMARK(screenCellPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(leftToRightScreenCold)->Unit(benchmark::kMicrosecond);
BENCHMARK(leftToRightScreenCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(mixedScreenCold)->Unit(benchmark::kMicrosecond);
BENCHMARK(mixedScreenCached)->Unit(benchmark::kMicrosecond);
