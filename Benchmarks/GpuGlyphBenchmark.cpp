// What the GPU renderer pays for glyphs and per-frame buffers on the machine's GL (Mesa llvmpipe under
// Xvfb here): rasterizing and uploading 5,000 distinct CJK glyphs into a fresh atlas, and steady frames
// on a warm buffer pool, which should make no new buffers.
//
// Needs a display: DISPLAY or BRAMBLET_TEST_GL_DISPLAY (e.g. Xvfb :14). Without one it reports an error.
// Each pass makes a fresh atlas that grows to 4096 pixels a side. Depending on its heap's history, glibc
// may hand the freed atlas memory back to the kernel between passes, and a pass then pays page faults
// for tens of megabytes; MALLOC_TRIM_THRESHOLD_ and MALLOC_MMAP_THRESHOLD_ set high keep that out.

#include "ZentrovaView/Gpu/BufferPool.h"
#include "ZentrovaView/Gpu/CoreTextGlyphRasterizer.h"
#include "ZentrovaView/Gpu/GlBuffer.h"
#include "ZentrovaView/Gpu/GlFence.h"
#include "ZentrovaView/Gpu/GlGlyphAtlasTexture.h"
#include "ZentrovaView/Gpu/GlyphAtlas.h"
#include "ZentrovaView/Gpu/GpuCompletionQueue.h"

#include <QFont>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QRawFont>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// One GL 3.3 core context for the whole run, current on the main thread; null without a display.
QOpenGLFunctions_3_3_Core* glFunctions()
{
    static QOpenGLFunctions_3_3_Core* functions = [] () -> QOpenGLFunctions_3_3_Core* {
        QByteArray display = qgetenv("BRAMBLET_TEST_GL_DISPLAY");
        if (display.isEmpty())
            display = qgetenv("DISPLAY");
        if (display.isEmpty())
            return nullptr;
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = { name, nullptr };
        new QGuiApplication(argc, argv); // lives until the process ends
        QSurfaceFormat format;
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
        auto* surface = new QOffscreenSurface;
        surface->setFormat(format);
        surface->create();
        auto* context = new QOpenGLContext;
        context->setFormat(format);
        if (!context->create() || !context->makeCurrent(surface))
            return nullptr;
        auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
        return gl && gl->initializeOpenGLFunctions() ? gl : nullptr;
    }();
    return functions;
}

void BM_RasterizeAndUpload5000CjkGlyphs(benchmark::State& state)
{
    auto* gl = glFunctions();
    if (!gl) {
        state.SkipWithError("no OpenGL 3.3 context (no display?)");
        return;
    }
    QFont font("Noto Sans CJK SC");
    font.setPixelSize(28);
    const QRawFont raw = QRawFont::fromFont(font);
    QList<quint32> glyphs;
    for (char32_t codePoint = 0x4E00; glyphs.size() < 5000; ++codePoint) {
        const QList<quint32> indexes = raw.glyphIndexesForString(QString::fromUcs4(&codePoint, 1));
        if (!indexes.isEmpty() && indexes.front() != 0)
            glyphs.append(indexes.front());
    }
    zentrova::GlGlyphAtlasDevice device(*gl);
    zentrova::CoreTextGlyphRasterizer rasterizer;
    for (auto _ : state) {
        auto atlas = zentrova::GlyphAtlas::make(device, 1024, 8192, zentrova::GlyphAtlasFormat::grayscale);
        for (quint32 glyph : glyphs) {
            auto bitmap = rasterizer.rasterize(raw, uint16_t(glyph));
            if (!bitmap)
                continue;
            if (auto region = atlas->ensureRegion(bitmap->width, bitmap->height))
                atlas->write(*region, bitmap->pixels, bitmap->width, bitmap->height);
        }
        gl->glFinish();
        benchmark::DoNotOptimize(atlas->size());
    }
    state.SetItemsProcessed(state.iterations() * glyphs.size());
}
BENCHMARK(BM_RasterizeAndUpload5000CjkGlyphs)->Unit(benchmark::kMillisecond);

// One frame's records as the aggregated mode copies them: backgrounds, glyphs and decorations.
void BM_SteadyFramesOnAWarmPool(benchmark::State& state)
{
    auto* gl = glFunctions();
    if (!gl) {
        state.SkipWithError("no OpenGL 3.3 context (no display?)");
        return;
    }
    zentrova::GlBufferDevice device(*gl);
    auto pool = zentrova::BufferPool::make(device);
    zentrova::GpuCompletionQueue completions;
    const std::vector<std::byte> backgrounds(200 * 50 * 32), glyphs(200 * 50 * 48), decorations(200 * 32);
    auto frame = [&] {
        pool->beginFrame();
        pool->makeBuffer(std::span<const std::byte>(backgrounds));
        pool->makeBuffer(std::span<const std::byte>(glyphs));
        pool->makeBuffer(std::span<const std::byte>(decorations));
        pool->commitFrame(completions, std::make_shared<zentrova::GlFence>(*gl));
        completions.poll();
    };
    for (int warmUp = 0; warmUp < 10; ++warmUp) {
        frame();
        gl->glFinish();
    }
    const size_t warm = device.buffersMade();
    for (auto _ : state)
        frame();
    gl->glFinish();
    completions.poll();
    state.counters["newBuffers"] = double(device.buffersMade() - warm);
}
BENCHMARK(BM_SteadyFramesOnAWarmPool);

} // namespace
