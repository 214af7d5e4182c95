// What a full redraw of a 200×50 screen costs the painter: plain text (one run per row) and dense colour
// (a new foreground and background in every cell), at ratios 1 and 2, and the row layout's share. The
// last group compares ways of tying glyphs to cells on one row of text.

// The engine's headers first: Qt makes "slots" a macro.
#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/CellGlyphShaper.h"

#include "BenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <memory>
#include <string>

namespace {

constexpr int screenCols = 200;
constexpr int screenRows = 50;

QFont benchmarkFont()
{
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(12);
    return font;
}

std::unique_ptr<zentrova::TerminalView> screenView(bool denseColour)
{
    bench::ensureApplication();
    zentrova::TerminalOptions options;
    options.cols = screenCols;
    options.rows = screenRows;
    auto view = std::make_unique<zentrova::TerminalView>(nullptr, benchmarkFont(), options);
    std::string bytes;
    for (int row = 0; row < screenRows; row++) {
        bytes += "\x1b[" + std::to_string(row + 1) + "H";
        for (int col = 0; col < screenCols; col++) {
            const int cell = row * screenCols + col;
            if (denseColour) {
                bytes += "\x1b[38;2;" + std::to_string(cell % 256) + ";" + std::to_string((cell / 7) % 256)
                    + ";200;48;2;20;" + std::to_string((cell / 3) % 256) + ";" + std::to_string(cell % 97) + "m";
            }
            bytes += char('!' + cell % 90);
        }
    }
    view->terminal().feed(bytes);
    return view;
}

void BM_TerminalViewRedraw(benchmark::State& state)
{
    const bool dense = state.range(0) != 0;
    const double ratio = double(state.range(1));
    auto view = screenView(dense);
    const QSizeF cell = *view->cellDimension();
    const QSizeF size(cell.width() * screenCols, cell.height() * screenRows);
    QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        view->drawTerminalContents(QRectF(QPointF(), size), painter, view->terminal().buffer().yDisp());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(std::string(dense ? "dense colour" : "plain text") + (ratio == 1 ? ", ratio 1" : ", ratio 2"));
}
BENCHMARK(BM_TerminalViewRedraw)->Args({ 0, 1 })->Args({ 1, 1 })->Args({ 0, 2 })->Args({ 1, 2 })->Unit(benchmark::kMillisecond);

// The layout part of the redraw above, every row laid out and nothing painted.
void BM_TerminalViewRowLayout(benchmark::State& state)
{
    auto view = screenView(state.range(0) != 0);
    zentrova::Buffer& buffer = view->terminal().buffer();
    for (auto _ : state) {
        for (int row = 0; row < screenRows; row++) {
            const int ring = buffer.yDisp() + row;
            auto info = view->buildAttributedString(ring, buffer.line(ring), screenCols);
            benchmark::DoNotOptimize(info);
        }
    }
    state.SetLabel(state.range(0) ? "dense colour" : "plain text");
}
BENCHMARK(BM_TerminalViewRowLayout)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A screen without right-to-left text pays for the bidi hand-off only a scan of each row and a cached
// empty paragraph: the full redraw and the row layout alone, honouring the rows' bidi state and drawing
// every row left to right as stored.
void BM_TerminalViewRedrawHostPolicy(benchmark::State& state)
{
    const auto policy = state.range(0) ? zentrova::BidiHostPolicy::legacyLeftToRight
                                       : zentrova::BidiHostPolicy::respectTerminal;
    const bool layoutOnly = state.range(1) != 0;
    auto view = screenView(false);
    view->setBidiHostPolicy(policy);
    zentrova::Buffer& buffer = view->terminal().buffer();
    const QSizeF cell = *view->cellDimension();
    const QSizeF size(cell.width() * screenCols, cell.height() * screenRows);
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (layoutOnly) {
            for (int row = 0; row < screenRows; row++) {
                const int ring = buffer.yDisp() + row;
                auto info = view->buildAttributedString(ring, buffer.line(ring), screenCols);
                benchmark::DoNotOptimize(info);
            }
            continue;
        }
        image.fill(Qt::black);
        QPainter painter(&image);
        view->drawTerminalContents(QRectF(QPointF(), size), painter, buffer.yDisp());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(std::string(state.range(0) ? "legacyLeftToRight" : "respectTerminal")
                   + (layoutOnly ? ", row layout" : ", redraw"));
}
BENCHMARK(BM_TerminalViewRedrawHostPolicy)
    ->Args({ 0, 0 })
    ->Args({ 1, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 1 })
    ->Unit(benchmark::kMicrosecond);

// Three ways to learn the cell of every glyph of a 200-cell row: the kept one (character map, shaping
// only cells that need it), shaping each cell's text, and shaping the row once and asking for the glyph
// runs of each cell's range.
void BM_GlyphToCellMapping(benchmark::State& state)
{
    bench::ensureApplication();
    const QFont font = benchmarkFont();
    const QRawFont raw = QRawFont::fromFont(font);
    zentrova::ViewLineSegment segment;
    for (int col = 0; col < screenCols; col++) {
        segment.text += QChar(u'!' + col % 90);
        segment.utf16ToCellOrdinal.push_back(col);
    }
    segment.runs.push_back({ 0, int(segment.text.size()), {} });
    const int method = int(state.range(0));
    for (auto _ : state) {
        if (method == 0) {
            auto runs = zentrova::CellGlyphShaper::shape(segment, 0, int(segment.text.size()), font, raw, true);
            benchmark::DoNotOptimize(runs);
        } else if (method == 1) {
            for (int col = 0; col < screenCols; col++) {
                QTextLayout layout(segment.text.mid(col, 1), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                auto runs = layout.glyphRuns();
                benchmark::DoNotOptimize(runs);
            }
        } else {
            QTextLayout layout(segment.text, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            for (int col = 0; col < screenCols; col++) {
                auto runs = layout.glyphRuns(col, 1);
                benchmark::DoNotOptimize(runs);
            }
        }
    }
    static const char* const names[] = { "character map", "shape each cell", "glyph runs per cell range" };
    state.SetLabel(names[method]);
}
BENCHMARK(BM_GlyphToCellMapping)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
