// From a key's bytes leaving the view to the echoed glyph on screen: the bytes go through a real
// pseudo-terminal to `cat` in raw mode, which writes them back; the time stops when a paint of the
// view has drawn the cell holding the echoed character. The median and the 99th percentile of all
// presses are reported, in microseconds.

#include "BenchmarkApplication.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/CharData.h"
#include "ZentrovaView/LocalProcessTerminalView.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <functional>

namespace {

// Tells when a paint has run.
class PaintProbe final : public zentrova::LocalProcessTerminalView {
public:
    using LocalProcessTerminalView::LocalProcessTerminalView;
    std::function<void()> painted;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        LocalProcessTerminalView::paintEvent(event);
        if (painted)
            painted();
    }
};

void pumpUntil(const std::function<bool()>& condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_KeyToEchoedGlyph(benchmark::State& state)
{
    bench::ensureApplication();
    PaintProbe view;
    view.resize(800, 500);
    view.show();
    view.startProcess("/bin/sh", { "-c", "stty raw -echo; echo ready; exec cat" });
    zentrova::Terminal& terminal = view.terminal();
    pumpUntil([&] { return terminal.getCursorLocation().second > 0; });

    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        if (terminal.getCursorLocation().first >= terminal.cols - 2) {
            const uint8_t carriageReturn = '\r';
            view.send(std::span(&carriageReturn, 1));
            pumpUntil([&] { return terminal.getCursorLocation().first == 0; });
        }
        const auto [col, row] = terminal.getCursorLocation();
        const uint8_t key = uint8_t('a' + samples.size() % 26);
        bool shown = false;
        view.painted = [&] {
            const auto cell = terminal.getCharData(col, row);
            shown = cell && cell->code() == key;
        };
        state.ResumeTiming();

        QElapsedTimer timer;
        timer.start();
        view.send(std::span(&key, 1));
        pumpUntil([&] { return shown; });
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    view.painted = {};
    const pid_t pid = view.process().shellPid();
    view.terminate();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    std::sort(samples.begin(), samples.end());
    const auto at = [&](double fraction) { return samples[std::min(samples.size() - 1, size_t(fraction * double(samples.size())))]; };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
}
BENCHMARK(BM_KeyToEchoedGlyph)->Iterations(2000)->Unit(benchmark::kMicrosecond);

} // namespace
