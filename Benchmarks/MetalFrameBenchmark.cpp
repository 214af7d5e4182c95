// Whole GPU frames of a 200×50 dense-colour screen (a new foreground and background in every cell) on
// the machine's GL (Mesa llvmpipe under Xvfb here), beside the painter's full redraw of the same screen:
// a full redraw (every row built again), a frame with no dirty row, one where only the cursor moved,
// and the allocations of steady frames.
//
// Needs a display: BRAMBLET_TEST_GL_DISPLAY or DISPLAY (e.g. Xvfb :65). Without one it reports an error.
// A GPU frame is timed until the GPU has finished it (glFinish), so the figure is the frame's whole cost.

// The engine's headers first: Qt makes "slots" a macro.
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"
#include "ZentrovaView/Gpu/MetalView.h"
#include "ZentrovaView/TerminalView.h"

#include "AllocationCounter.h"

#include <QApplication>
#include <QImage>
#include <QOpenGLFunctions_3_3_Core>
#include <QPainter>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int screenCols = 200;
constexpr int screenRows = 50;

bool ensureGlApplication()
{
    static const bool ready = [] {
        QByteArray display = qgetenv("BRAMBLET_TEST_GL_DISPLAY");
        if (display.isEmpty())
            display = qgetenv("DISPLAY");
        if (display.isEmpty())
            return false;
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = { name, nullptr };
        new QApplication(argc, argv); // lives until the process ends
        return true;
    }();
    return ready;
}

// A shown terminal view of the dense screen, drawn on the GPU or the processor.
struct DenseScreen {
    QWidget window;
    zentrova::TerminalView* view = nullptr;
    bool exposed = false;

    explicit DenseScreen(bool gpu)
    {
        QFont font("DejaVu Sans Mono");
        font.setPointSizeF(12);
        zentrova::TerminalOptions options;
        options.cols = screenCols;
        options.rows = screenRows;
        view = new zentrova::TerminalView(&window, font, options);
        const QSizeF cell = *view->cellDimension();
        const QSize size(int(std::ceil(cell.width() * screenCols)) + view->scrollerWidth(),
                         int(std::ceil(cell.height() * screenRows)));
        window.resize(size);
        view->resize(size);
        view->resizeTerminal(screenCols, screenRows);
        view->terminal().feed("\x1b[2 q"); // a steady cursor: no blink timer in the figures
        std::string bytes;
        for (int row = 0; row < screenRows; row++) {
            bytes += "\x1b[" + std::to_string(row + 1) + "H";
            for (int col = 0; col < screenCols; col++) {
                const int index = row * screenCols + col;
                bytes += "\x1b[38;2;" + std::to_string(index % 256) + ";" + std::to_string((index / 7) % 256)
                    + ";200;48;2;20;" + std::to_string((index / 3) % 256) + ";" + std::to_string(index % 97) + "m";
                bytes += char('!' + index % 90);
            }
        }
        view->terminal().feed(bytes);
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
        if (gpu && exposed) {
            view->setUseMetal(true);
            view->updateDisplay();
            frame(); // builds the glyphs
        }
    }

    zentrova::MetalView& surface() const { return *static_cast<zentrova::MetalView*>(view->metalSurface()); }

    // One GPU frame through the frame loop alone, finished by the GPU: what paintGL does, without
    // Qt's composition of the window.
    void frame()
    {
        zentrova::MetalView& gl = surface();
        gl.makeCurrent();
        gl.completions().poll();
        gl.renderer()->draw(gl);
        gl.glFunctions()->glFinish();
        gl.doneCurrent();
    }

    // The same through Qt: the surface repainted and the window composed.
    void repaintedFrame()
    {
        zentrova::MetalView& gl = surface();
        gl.drawNow();
        gl.makeCurrent();
        gl.glFunctions()->glFinish();
        gl.doneCurrent();
    }

    void markEveryRowDirty()
    {
        const int top = view->terminal().buffer().yDisp();
        view->setMetalDirtyRange(std::pair(top, top + screenRows - 1));
    }
};

// The screen, or nothing (the benchmark then reports why) without a display or a shown window.
std::unique_ptr<DenseScreen> denseScreen(benchmark::State& state, bool gpu)
{
    if (!ensureGlApplication()) {
        state.SkipWithError("no display");
        return nullptr;
    }
    auto screen = std::make_unique<DenseScreen>(gpu);
    if (!screen->exposed) {
        state.SkipWithError("the window was not shown");
        return nullptr;
    }
    return screen;
}

// `frame` once, then once per iteration, with the allocations of those frames per frame.
template <class Frame>
void framesCountingAllocations(benchmark::State& state, Frame frame)
{
    frame();
    const size_t before = allocationcounter::count();
    for (auto _ : state)
        frame();
    state.counters["allocationsPerFrame"]
        = benchmark::Counter(double(allocationcounter::count() - before), benchmark::Counter::kAvgIterations);
}

void BM_MetalFrameDenseColourFullRedraw(benchmark::State& state)
{
    auto screen = denseScreen(state, true);
    if (!screen)
        return;
    for (auto _ : state) {
        screen->markEveryRowDirty();
        screen->frame();
    }
}
BENCHMARK(BM_MetalFrameDenseColourFullRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MetalFrameDenseColourFullRedrawComposed(benchmark::State& state)
{
    auto screen = denseScreen(state, true);
    if (!screen)
        return;
    for (auto _ : state) {
        screen->markEveryRowDirty();
        screen->repaintedFrame();
    }
}
BENCHMARK(BM_MetalFrameDenseColourFullRedrawComposed)->Unit(benchmark::kMillisecond)->UseRealTime();

// The painter drawing the same screen into an image of the view's size.
void BM_ProcessorFrameDenseColourFullRedraw(benchmark::State& state)
{
    auto screen = denseScreen(state, false);
    if (!screen)
        return;
    QImage image(screen->view->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        screen->view->drawTerminalContents(QRectF(screen->view->rect()), painter, screen->view->terminal().buffer().yDisp());
    }
}
BENCHMARK(BM_ProcessorFrameDenseColourFullRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// No dirty row: every row's buffers come from the cache, as for a cursor blink. Target: 1 ms of
// processor time; steady frames should allocate nothing.
void BM_MetalFrameNoDirtyRow(benchmark::State& state)
{
    auto screen = denseScreen(state, true);
    if (!screen)
        return;
    framesCountingAllocations(state, [&] { screen->frame(); });
}
BENCHMARK(BM_MetalFrameNoDirtyRow)->Unit(benchmark::kMillisecond);

// The same through Qt's repaint and composition of the window, with what the frame loop around the
// renderer allocates (the frame's watchdog, the polling of its fence, its presentation).
void BM_MetalFrameNoDirtyRowComposed(benchmark::State& state)
{
    auto screen = denseScreen(state, true);
    if (!screen)
        return;
    framesCountingAllocations(state, [&] {
        screen->repaintedFrame();
        QCoreApplication::processEvents(); // the fence's poll and the presentation's report
    });
}
BENCHMARK(BM_MetalFrameNoDirtyRowComposed)->Unit(benchmark::kMillisecond);

// The cursor moved between two rows and nothing else changed: its old and new cells are drawn again
// over the last frame.
void BM_MetalFrameCursorMove(benchmark::State& state)
{
    auto screen = denseScreen(state, true);
    if (!screen)
        return;
    bool high = false;
    for (auto _ : state) {
        high = !high;
        screen->view->terminal().feed(high ? "\x1b[10;40H" : "\x1b[30;120H");
        screen->frame();
    }
}
BENCHMARK(BM_MetalFrameCursorMove)->Unit(benchmark::kMillisecond);

} // namespace
