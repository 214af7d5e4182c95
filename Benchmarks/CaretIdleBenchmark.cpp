// What a focused terminal costs while nothing happens in it: the window is active, the view has the
// keyboard, and only its blinking caret moves. Ten seconds of the event loop, counting the paints of
// the view and of its caret (per second) and the process's CPU time as a share of one core.

// The engine's headers first: Qt makes "slots" a macro.
#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/TerminalView.h"

#include "BenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <ctime>

namespace {

using namespace std::chrono_literals;

constexpr auto idleSpan = 10s;

class PaintCounter final : public QObject {
public:
    explicit PaintCounter(const QObject& of)
        : m_of(of)
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched == &m_of)
            paints++;
        return false;
    }
    int paints = 0;

private:
    const QObject& m_of;
};

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void BM_FocusedIdleCaret(benchmark::State& state)
{
    bench::ensureApplication();
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(12);
    zentrova::TerminalView view(nullptr, font);
    view.resize(800, 500);
    view.feed(std::string_view("user@host:~$ "));
    view.show();
    view.activateWindow();
    view.setFocus();
    QElapsedTimer settling;
    settling.start();
    while (!(view.isActiveWindow() && view.hasFocus()) && settling.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!view.caretView()->blinking()) {
        state.SkipWithError("the caret does not blink: the view has no focus");
        return;
    }

    PaintCounter viewPaints(view);
    PaintCounter caretPaints(*view.caretView());
    view.installEventFilter(&viewPaints);
    view.caretView()->installEventFilter(&caretPaints);
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer::singleShot(idleSpan, &loop, &QEventLoop::quit);
        const double cpuStart = processCpuSeconds();
        QElapsedTimer elapsed;
        elapsed.start();
        loop.exec();
        cpu += processCpuSeconds() - cpuStart;
        wall += double(elapsed.nsecsElapsed()) / 1e9;
        state.SetIterationTime(double(elapsed.nsecsElapsed()) / 1e9);
    }
    state.counters["view_paints_per_s"] = viewPaints.paints / wall;
    state.counters["caret_paints_per_s"] = caretPaints.paints / wall;
    state.counters["cpu_percent_of_core"] = 100 * cpu / wall;
}
BENCHMARK(BM_FocusedIdleCaret)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
