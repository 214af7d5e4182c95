// What a key costs on its way to the child: the keyboard encoder alone over a mix of keys, and a Qt key
// event through an offscreen terminal view to the bytes its host receives (median and 99th percentile
// per key), with no enhancements and with every one of them.

// The engine's headers first: Qt makes "slots" a macro.
#include "Zentrova/Engine/KittyKeyboardEncoder.h"
#include "ZentrovaView/TerminalView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include "BenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace zentrova;

std::vector<KittyKeyEvent> keyMix()
{
    using Mods = KittyKeyboardModifiers;
    std::vector<KittyKeyEvent> events;
    for (char32_t c = 'a'; c <= 'z'; c++)
        events.push_back({ KittyKey::unicode(c), {}, KittyKeyboardEventType::press, std::string(1, char(c)) });
    events.push_back({ KittyKey::unicode('c'), Mods::ctrl });
    events.push_back({ KittyKey::unicode('x'), Mods::alt, KittyKeyboardEventType::press, "x" });
    events.push_back({ KittyKey::unicode('a'), Mods::shift, KittyKeyboardEventType::repeatPress, "A", U'A' });
    events.push_back({ KittyKey::unicode('a'), {}, KittyKeyboardEventType::release });
    events.push_back({ KittyKey::functional(KittyFunctionalKey::up), {} });
    events.push_back({ KittyKey::functional(KittyFunctionalKey::left), Mods::alt });
    events.push_back({ KittyKey::functional(KittyFunctionalKey::enter), {}, KittyKeyboardEventType::press, "\r" });
    events.push_back({ KittyKey::functional(KittyFunctionalKey::f5), Mods::ctrl });
    events.push_back({ KittyKey::functional(KittyFunctionalKey::leftShift), Mods::shift });
    return events;
}

void BM_KittyKeyboardEncoder(benchmark::State& state)
{
    KittyKeyboardEncoder encoder;
    encoder.flags = KittyKeyboardFlags { int(state.range(0)) };
    const std::vector<KittyKeyEvent> events = keyMix();
    size_t encoded = 0;
    for (auto _ : state) {
        for (const KittyKeyEvent& event : events) {
            auto bytes = encoder.encode(event);
            benchmark::DoNotOptimize(bytes);
        }
        encoded += events.size();
    }
    state.SetItemsProcessed(int64_t(encoded));
}
BENCHMARK(BM_KittyKeyboardEncoder)->Arg(0)->Arg(31);

// Counts what the view hands on for the child.
class CountingHost : public TerminalViewDelegate {
public:
    void sizeChanged(TerminalView&, int, int) override { }
    void setTerminalTitle(TerminalView&, const QString&) override { }
    void hostCurrentDirectoryUpdate(TerminalView&, const std::optional<QString>&) override { }
    void send(TerminalView&, std::span<const uint8_t> data) override { received += data.size(); }
    void scrolled(TerminalView&, double) override { }
    void rangeChanged(TerminalView&, int, int) override { }

    size_t received = 0;
};

void BM_KeyEventToBytes(benchmark::State& state)
{
    bench::ensureApplication();
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(12);
    TerminalView view(nullptr, font);
    CountingHost host;
    view.setTerminalDelegate(&host);
    const std::string flags = "\x1b[>" + std::to_string(state.range(0)) + "u";
    view.terminal().feed(std::string_view(flags));

    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 30 + 8, 0, 0, "a");
    QKeyEvent arrow(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, 103 + 8, 0, 0, {});
    std::vector<double> micros;
    micros.reserve(1 << 20);
    bool useArrow = false;
    for (auto _ : state) {
        QKeyEvent& event = useArrow ? arrow : letter;
        useArrow = !useArrow;
        const size_t before = host.received;
        const auto start = std::chrono::steady_clock::now();
        QCoreApplication::sendEvent(&view, &event);
        const auto end = std::chrono::steady_clock::now();
        if (host.received == before) {
            state.SkipWithError("the key reached no bytes");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_KeyEventToBytes)->Arg(0)->Arg(31);

} // namespace
