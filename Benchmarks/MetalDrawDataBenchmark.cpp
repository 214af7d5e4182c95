// What the GPU renderer's draw data costs for a 200×50 screen whose every cell has its own
// foreground and background: a cold pass (new renderer: no row cache, no glyphs, no shaping), every
// row built again with glyphs and shaping cached, a pass with every row cached, and a pass after one
// row changed, in both buffering modes.

// The engine's headers first: Qt makes "slots" a macro.
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"
#include "ZentrovaView/TerminalView.h"

#include "BenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int screenCols = 200;
constexpr int screenRows = 50;

// Devices that keep bytes in main memory: the benchmark measures the processor's side.
class MemoryTexture final : public zentrova::GlyphAtlasTexture {
public:
    void upload(int, int, int, int, const uint8_t*, int) override { }
};

class MemoryAtlasDevice final : public zentrova::GlyphAtlasDevice {
public:
    std::unique_ptr<zentrova::GlyphAtlasTexture> makeTexture(int, zentrova::GlyphAtlasFormat, const uint8_t*) override
    {
        return std::make_unique<MemoryTexture>();
    }
    int maxTextureSize() const override { return 16384; }
};

class MemoryBuffer final : public zentrova::GpuBuffer {
public:
    explicit MemoryBuffer(size_t length) : m_bytes(length) { }
    size_t length() const override { return m_bytes.size(); }
    void write(std::span<const std::byte> bytes) override { std::memcpy(m_bytes.data(), bytes.data(), bytes.size()); }

private:
    std::vector<std::byte> m_bytes;
};

class MemoryBufferDevice final : public zentrova::GpuBufferDevice {
public:
    std::shared_ptr<zentrova::GpuBuffer> makeBuffer(size_t length) override
    {
        return std::make_shared<MemoryBuffer>(length);
    }
};

class NoTextures final : public zentrova::ImageTextureFactory {
public:
    std::shared_ptr<zentrova::GpuImageTexture> makeTexture(const QImage&) override { return nullptr; }
};

struct DenseScreen {
    MemoryAtlasDevice atlasDevice;
    MemoryBufferDevice bufferDevice;
    NoTextures textures;
    std::unique_ptr<zentrova::TerminalView> view;

    DenseScreen()
    {
        bench::ensureApplication();
        QFont font("DejaVu Sans Mono");
        font.setPointSizeF(12);
        zentrova::TerminalOptions options;
        options.cols = screenCols;
        options.rows = screenRows;
        view = std::make_unique<zentrova::TerminalView>(nullptr, font, options);
        const QSizeF cell = *view->cellDimension();
        view->resize(int(std::ceil(cell.width() * screenCols)) + view->scrollerWidth(),
                     int(std::ceil(cell.height() * screenRows)));
        view->resizeTerminal(screenCols, screenRows);
        std::string bytes;
        for (int row = 0; row < screenRows; row++) {
            bytes += "\x1b[" + std::to_string(row + 1) + "H";
            for (int col = 0; col < screenCols; col++) {
                const int cell = row * screenCols + col;
                bytes += "\x1b[38;2;" + std::to_string(cell % 256) + ";" + std::to_string((cell / 7) % 256)
                    + ";200;48;2;20;" + std::to_string((cell / 3) % 256) + ";" + std::to_string(cell % 97) + "m";
                bytes += char('!' + cell % 90);
            }
        }
        view->terminal().feed(bytes);
    }

    std::unique_ptr<zentrova::MetalTerminalRenderer> renderer()
    {
        zentrova::MetalTerminalRenderer::DrawDataResources resources;
        resources.grayscaleAtlas = zentrova::GlyphAtlas::make(atlasDevice, 1024, 8192, zentrova::GlyphAtlasFormat::grayscale);
        resources.colorAtlas = zentrova::GlyphAtlas::make(atlasDevice, 1024, 4096, zentrova::GlyphAtlasFormat::bgra);
        resources.bufferPool = zentrova::BufferPool::make(bufferDevice);
        resources.bufferDevice = &bufferDevice;
        resources.textureFactory = &textures;
        return std::make_unique<zentrova::MetalTerminalRenderer>(*view, std::move(resources));
    }
};

zentrova::MetalBufferingMode modeOf(const benchmark::State& state)
{
    return state.range(0) ? zentrova::MetalBufferingMode::perFrameAggregated
                          : zentrova::MetalBufferingMode::perRowPersistent;
}

const char* labelOf(const benchmark::State& state)
{
    return state.range(0) ? "aggregated" : "per row";
}

// Target: 6 ms.
void BM_MetalDrawDataCold(benchmark::State& state)
{
    DenseScreen screen;
    screen.view->setMetalBufferingMode(modeOf(state));
    for (auto _ : state) {
        state.PauseTiming();
        auto renderer = screen.renderer();
        state.ResumeTiming();
        auto data = renderer->buildDrawDataPass(1);
        benchmark::DoNotOptimize(data);
        state.PauseTiming();
        renderer.reset();
        state.ResumeTiming();
    }
    state.SetLabel(labelOf(state));
}
BENCHMARK(BM_MetalDrawDataCold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every row laid out and built again with the glyphs and shaping already cached, as after a scroll.
// Target: 6 ms.
void BM_MetalDrawDataAllRowsRebuilt(benchmark::State& state)
{
    DenseScreen screen;
    screen.view->setMetalBufferingMode(modeOf(state));
    auto renderer = screen.renderer();
    renderer->buildDrawDataPass(1);
    const int first = screen.view->terminal().buffer().yDisp();
    for (auto _ : state) {
        screen.view->setMetalDirtyRange(std::pair(first, first + screenRows - 1));
        auto data = renderer->buildDrawDataPass(1);
        benchmark::DoNotOptimize(data);
    }
    state.SetLabel(labelOf(state));
}
BENCHMARK(BM_MetalDrawDataAllRowsRebuilt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Target: 0.3 ms.
void BM_MetalDrawDataCached(benchmark::State& state)
{
    DenseScreen screen;
    screen.view->setMetalBufferingMode(modeOf(state));
    auto renderer = screen.renderer();
    renderer->buildDrawDataPass(1);
    for (auto _ : state) {
        auto data = renderer->buildDrawDataPass(1);
        benchmark::DoNotOptimize(data);
    }
    state.SetLabel(labelOf(state));
}
BENCHMARK(BM_MetalDrawDataCached)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One row in the dirty range each frame: that row alone is built again.
void BM_MetalDrawDataOneRowChanged(benchmark::State& state)
{
    DenseScreen screen;
    screen.view->setMetalBufferingMode(modeOf(state));
    auto renderer = screen.renderer();
    renderer->buildDrawDataPass(1);
    const int row = screen.view->terminal().buffer().yDisp() + 10;
    for (auto _ : state) {
        screen.view->setMetalDirtyRange(std::pair(row, row));
        auto data = renderer->buildDrawDataPass(1);
        benchmark::DoNotOptimize(data);
    }
    state.counters["rowsBuilt"] = renderer->rowsBuiltLastPass();
    state.SetLabel(labelOf(state));
}
BENCHMARK(BM_MetalDrawDataOneRowChanged)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
