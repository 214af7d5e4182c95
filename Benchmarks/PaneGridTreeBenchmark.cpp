// The grid and the tree of a file pane with large folders: how soon a folder of 10,000 pictures
// shows its first screen of tiles after its listing is in, and the longest stall of the main
// thread while the thumbnails of screen after screen arrive; how soon the tree shows the first
// rows of an expanded folder of 100,000 entries after that folder's listing is in.

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Pane/TileThumbnails.h"
#include "Bramblet/Theme/FileCollection.h"
#include "BenchmarkApplication.h"
#include "LargeFolder.h"
#include "PaneBenchmarkSupport.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QScrollBar>

namespace {

using bench::Clock;
using bench::milliseconds;
using bench::spinUntil;

// A picture larger than a tile, so each thumbnail is a real decode and scale; smooth, so that ten
// thousand copies stay small on disk.
std::string pictureBytes()
{
    QImage image(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb(x * 255 / image.width(), y * 255 / image.height(), 128);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes.toStdString();
}

std::unique_ptr<bramblet::PaneController> makePane(const std::filesystem::path& folder, bramblet::PaneMode mode,
                                                   bench::TimedFileService*& service)
{
    bench::ensureApplication();
    auto timed = std::make_unique<bench::TimedFileService>();
    service = timed.get();
    auto pane = std::make_unique<bramblet::PaneController>(bramblet::pathString(folder), mode, std::move(timed));
    pane->resize(900, 700);
    pane->show();
    return pane;
}

// Whether every tile on screen has its thumbnail.
bool screenComplete(const bramblet::PaneController& pane)
{
    return pane.tileThumbnails()->pendingCount() == 0;
}

// refresh() of a folder of 10,000 pictures in the grid, then ten screens down one after the other,
// each waited for until its thumbnails are in.
void PaneGridThumbnails(benchmark::State& state)
{
    static const bench::LargeFolder folder(10'000, ".jpg", pictureBytes());
    bench::TimedFileService* service = nullptr;
    const auto pane = makePane(folder.path(), bramblet::PaneMode::grid, service);
    bramblet::FileCollection* grid = pane->collection();
    double firstTiles = 0;
    double longestStall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pane->listModel()->setItems({});
        grid->verticalScrollBar()->setValue(0);
        state.ResumeTiming();

        pane->refresh();
        spinUntil([&] { return grid->model()->rowCount() > 0 && grid->visualRect(grid->model()->index(0, 0)).isValid(); });
        firstTiles = std::max(firstTiles, milliseconds(Clock::now() - service->listedAt.load()));

        const bench::StallMeter stalls;
        spinUntil([&] { return pane->listModel()->rowCount() == 10'000 && screenComplete(*pane); });
        for (int page = 0; page < 10; ++page) {
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() + grid->viewport()->height());
            QCoreApplication::processEvents();
            spinUntil([&] { return screenComplete(*pane); });
        }
        longestStall = std::max(longestStall, stalls.longest());
    }
    state.counters["first_tiles_after_listing_ms"] = firstTiles;
    state.counters["longest_main_thread_stall_ms"] = longestStall;
}

// A rebuilt tree, then its one folder of 100,000 entries expanded: the time from that folder's
// listing to its first rows in the tree.
void PaneTreeExpandLargeFolder(benchmark::State& state)
{
    static const bench::LargeFolder folder(100'000, ".txt", {}, "large");
    bench::TimedFileService* service = nullptr;
    const auto pane = makePane(folder.path(), bramblet::PaneMode::tree, service);
    bramblet::FileTreeModel* model = pane->treeModel();
    double firstRows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pane->refresh();
        spinUntil([&] { return model->rowCount() == 1 && model->rowCount(model->index(0, 0)) == 0; });
        state.ResumeTiming();

        pane->tree()->expand(model->index(0, 0));
        spinUntil([&] { return model->rowCount(model->index(0, 0)) > 1; });
        firstRows = std::max(firstRows, milliseconds(Clock::now() - service->listedAt.load()));
    }
    state.counters["first_rows_after_listing_ms"] = firstRows;
}

} // namespace

BENCHMARK(PaneGridThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(PaneTreeExpandLargeFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
