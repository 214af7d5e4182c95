// A full redraw of a 200×50 screen of box-drawing and block characters by the view's row pass, at ratios
// 1 and 2. The first iteration paints each glyph into the cache; the rest copy from it, as every redraw
// after the first does in the view.

#include "ZentrovaView/CustomGlyphs/CustomGlyphRowPainter.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

namespace {

constexpr int screenCols = 200;
constexpr int screenRows = 50;

// Every row mixes the box-drawing range (lines, dashes, arcs, diagonals) with the block elements.
zentrova::ViewLineInfo glyphRow(int row)
{
    zentrova::ViewLineInfo info;
    for (int column = 0; column < screenCols; ++column) {
        const auto code = std::uint32_t(0x2500 + (row * screenCols + column) % 0xA0);
        if (const auto* rects = zentrova::BlockElementMapping::rects(code))
            info.blockElements.push_back({ column, 1, code, *rects, Qt::white });
        else
            info.boxDrawings.push_back({ column, 1, code, Qt::white });
    }
    return info;
}

void BM_CustomGlyphScreenRedraw(benchmark::State& state)
{
    const double ratio = double(state.range(0));
    const double cellWidth = 7.8;
    const double cellHeight = 17;
    std::vector<zentrova::ViewLineInfo> rows;
    for (int row = 0; row < screenRows; ++row)
        rows.push_back(glyphRow(row));
    QImage image(QSize(int(cellWidth * screenCols * ratio) + 1, int(cellHeight * screenRows * ratio) + 1),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        for (int row = 0; row < screenRows; ++row) {
            const QRectF rowRect(0, cellHeight * row, cellWidth * screenCols, cellHeight);
            zentrova::paintCustomGlyphRow(painter, rows[size_t(row)],
                                          { rowRect, cellWidth, ratio, zentrova::customGlyphBaseThickness(ratio, 1),
                                            false });
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_CustomGlyphScreenRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
