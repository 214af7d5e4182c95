// A file pane opening a folder of 100,000 files, against the bare listing of the same folder
// measured in the same run: how soon the first rows show after the listing is in, how long the
// whole load, sort and display takes, and the longest stall of the main thread while the user
// types into the filter and clears it again.

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "BrambletCore/Files/FileService.h"
#include "BenchmarkApplication.h"
#include "LargeFolder.h"
#include "PaneBenchmarkSupport.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <filesystem>

namespace {

constexpr int entryCount = 100'000;
using bench::Clock;
using bench::milliseconds;
using bench::spinUntil;
using bench::TimedFileService;

const std::filesystem::path& largeFolder()
{
    static const bench::LargeFolder folder(entryCount);
    return folder.path();
}

struct Pane {
    Pane()
    {
        bench::ensureApplication();
        auto timed = std::make_unique<TimedFileService>();
        service = timed.get();
        pane = std::make_unique<bramblet::PaneController>(bramblet::pathString(largeFolder()), bramblet::PaneMode::list,
                                                          std::move(timed));
        pane->resize(900, 700);
        pane->show();
    }

    bool fullyShown() const
    {
        return pane->listModel()->rowCount() == entryCount && !pane->listModel()->isPopulating()
            && pane->visible().size() == entryCount;
    }

    TimedFileService* service;
    std::unique_ptr<bramblet::PaneController> pane;
};

void PaneBareListing(benchmark::State& state)
{
    bramblet::FileService service;
    const auto& folder = largeFolder(); // made outside the timed loop
    for (auto _ : state)
        benchmark::DoNotOptimize(service.list(folder).result());
    state.SetItemsProcessed(state.iterations() * entryCount);
}

// refresh() until every row is in the list, sorted by name. Counters: the time from the listing's
// completion to the first rows in the list, and the whole time over a bare listing timed just
// before each iteration.
void PaneLoadSortDisplay(benchmark::State& state)
{
    Pane pane;
    bramblet::FileService bare;
    double firstRows = 0;
    double ratio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto bareStart = Clock::now();
        benchmark::DoNotOptimize(bare.list(largeFolder()).result());
        const double bareListing = milliseconds(Clock::now() - bareStart);
        pane.pane->listModel()->setItems({});
        state.ResumeTiming();

        const auto start = Clock::now();
        Clock::time_point firstRowsAt;
        const auto connection = QObject::connect(pane.pane->listModel(), &QAbstractItemModel::modelReset, [&] {
            if (pane.pane->listModel()->rowCount() > 0 && firstRowsAt == Clock::time_point())
                firstRowsAt = Clock::now();
        });
        pane.pane->refresh();
        spinUntil([&] { return pane.fullyShown() && firstRowsAt != Clock::time_point(); });
        const double whole = milliseconds(Clock::now() - start);
        QObject::disconnect(connection);
        firstRows = std::max(firstRows, milliseconds(firstRowsAt - pane.service->listedAt.load()));
        ratio = std::max(ratio, whole / bareListing);
    }
    state.counters["first_rows_after_listing_ms"] = firstRows;
    state.counters["whole_over_bare_listing"] = ratio;
    state.SetItemsProcessed(state.iterations() * entryCount);
}

// Types "file-0999" into the filter one key every 30 ms, waits for the search results, then
// deletes it key by key back to the whole folder. A 1 ms timer on the main thread measures the
// longest gap between its ticks: the longest the user interface could not answer.
void PaneFilterTypingStall(benchmark::State& state)
{
    Pane pane;
    pane.pane->refresh();
    spinUntil([&] { return pane.fullyShown(); });
    const QString text = QStringLiteral("file-0999");
    double longestStall = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        double stall = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        sinceTick.start();
        ticker.start();
        const auto typeAndWait = [&](const QString& filter) {
            sinceTick.restart();
            pane.pane->setFilter(filter);
            const auto until = Clock::now() + std::chrono::milliseconds(30);
            spinUntil([&] { return Clock::now() >= until; });
        };
        for (qsizetype length = 1; length <= text.size(); ++length)
            typeAndWait(text.left(length));
        spinUntil([&] { return pane.pane->visible().size() == 100; });
        for (qsizetype length = text.size() - 1; length >= 0; --length)
            typeAndWait(text.left(length));
        spinUntil([&] { return pane.fullyShown(); });
        ticker.stop();
        longestStall = std::max(longestStall, stall);
    }
    state.counters["longest_main_thread_stall_ms"] = longestStall;
}

} // namespace

BENCHMARK(PaneBareListing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PaneLoadSortDisplay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PaneFilterTypingStall)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
