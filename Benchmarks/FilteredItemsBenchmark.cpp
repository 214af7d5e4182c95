// How long a pane takes to turn a large listing into what it shows.

#include "BrambletCore/Models/FilteredItems.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

QList<bramblet::FileItem> makeListing(int count)
{
    std::mt19937 random(42);
    QList<bramblet::FileItem> items;
    items.reserve(count);
    for (int i = 0; i < count; ++i) {
        bramblet::FileItem item;
        item.name = QStringLiteral("File %1 report.txt").arg(random() % 1000000);
        item.url = bramblet::pathFromString(QStringLiteral("/bench/") + item.name);
        item.isDirectory = i % 10 == 0;
        item.isHidden = i % 50 == 0;
        item.size = random() % 100000;
        item.modified = bramblet::Date(std::chrono::seconds(random() % 1000000000));
        items.append(item);
    }
    return items;
}

void filterAndSort(benchmark::State& state, bramblet::SortField sort, const char* filter)
{
    const auto items = makeListing(int(state.range(0)));
    bramblet::TabSnapshot tab(QStringLiteral("/bench"), bramblet::PaneMode::list);
    tab.sort = sort;
    tab.filter = QString::fromUtf8(filter);
    for (auto _ : state)
        benchmark::DoNotOptimize(bramblet::filteredItems(items, tab, false));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK_CAPTURE(filterAndSort, byName, bramblet::SortField::name, "")->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(filterAndSort, bySize, bramblet::SortField::size, "")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(filterAndSort, wildcard, bramblet::SortField::name, "*1?3*")->Arg(100000)->Unit(benchmark::kMillisecond);
