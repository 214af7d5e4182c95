// The GL frame loop drawn for real: the programs' errors, and a fed screen drawn by the GPU surface
// and by the processor compared cell by cell.

#include "Gpu/GlSurfaceSupport.h"
#include "Gpu/GlTestContext.h"
#include "TerminalViewTestSupport.h"
#include "ZentrovaView/Gpu/GlMetalPipelines.h"
#include "ZentrovaView/Gpu/MetalError.h"
#include "ZentrovaView/Gpu/MetalFrameCoordinator.h"
#include "ZentrovaView/Gpu/MetalShaderLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace zentrova {
namespace {

using GlPrograms = GlTestContext;

std::string pipelineError(const QString& source, QOpenGLFunctions_3_3_Core& gl)
{
    try {
        GlMetalPipelines pipelines(gl, MetalShaderLibrary::fromSource(source));
    } catch (const MetalError& error) {
        return error.what();
    }
    return "built";
}

TEST_F(GlPrograms, TheShippedFunctionsBuildAndBrokenOnesSayWhy)
{
    const QString source = *MetalShaderLibrary::loadShaderSource();
    EXPECT_EQ(pipelineError(source, *gl), "built");

    // A function that does not compile: its name and GL's log follow the fixed text.
    const std::string compile = pipelineError(
        QString(source).replace("fragColor = vec4(texel.rgb * vColor.rgb, texel.a)", "fragColor = vec3(texel.rgb)"), *gl);
    const std::string prefix = "Failed to compile Metal shader source: terminal_text_fragment: ";
    ASSERT_EQ(compile.substr(0, prefix.size()), prefix);
    EXPECT_GT(compile.size(), prefix.size() + 10) << "GL's log is missing";

    // A stage that compiles but cannot be linked: it calls a function nothing defines.
    EXPECT_EQ(pipelineError(QString(source).replace("    fragColor = vColor;", "    fragColor = undefinedTint(vColor);")
                                .replace("void terminal_color_fragment()", "vec4 undefinedTint(vec4 color);\nvoid terminal_color_fragment()"),
                            *gl),
              "Failed to create Metal pipeline: text/color/cell");
}

struct CellDifference {
    int column;
    int row;
    int difference; // the largest channel difference of the cell's mean colours
};

// Mean colour of every cell in both images, compared.
std::vector<CellDifference> compareCells(const QImage& gpu, const QImage& processor, QSizeF cell, int cols, int rows)
{
    std::vector<CellDifference> differences;
    const auto mean = [](const QImage& image, const QRect& rect) {
        std::array<double, 3> sum {};
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                sum[0] += qRed(pixel);
                sum[1] += qGreen(pixel);
                sum[2] += qBlue(pixel);
            }
        const double count = double(rect.width() * rect.height());
        return std::array { sum[0] / count, sum[1] / count, sum[2] / count };
    };
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < cols; ++column) {
            const QRect rect = QRectF(cell.width() * column, cell.height() * row, cell.width(), cell.height()).toRect();
            const auto a = mean(gpu, rect);
            const auto b = mean(processor, rect);
            int worst = 0;
            for (int channel = 0; channel < 3; ++channel)
                worst = std::max(worst, int(std::lround(std::abs(a[size_t(channel)] - b[size_t(channel)]))));
            differences.push_back({ column, row, worst });
        }
    return differences;
}

struct GlRenderEquivalence : ::testing::Test {
    void SetUp() override
    {
        if (!glSurfacesAvailable())
            GTEST_SKIP() << "no GL on this platform";
    }

    void expectSameCells(MetalBufferingMode mode);
};

TEST_F(GlRenderEquivalence, TheGpuDrawsTheFedScreenAsTheProcessorDoes)
{
    for (const MetalBufferingMode mode : { MetalBufferingMode::perRowPersistent, MetalBufferingMode::perFrameAggregated }) {
        SCOPED_TRACE(mode == MetalBufferingMode::perRowPersistent ? "per row" : "per frame");
        expectSameCells(mode);
    }
}

void GlRenderEquivalence::expectSameCells(MetalBufferingMode mode)
{
    ShownTerminalView shown(QSize(640, 400));
    ASSERT_TRUE(shown.exposed());
    TerminalView& gpuView = shown.view;
    gpuView.setMetalBufferingMode(mode);
    gpuView.setUseMetal(true);
    TerminalView processorView(nullptr, testFont(), TerminalOptions::Default, QSize(640, 400));
    feedScreen(gpuView);
    feedScreen(processorView);
    gpuView.updateDisplay();
    processorView.updateDisplay();

    const QImage gpu = gpuFrame(gpuView);
    const QImage processor = processorView.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(gpu.size(), processor.size());
    const QSizeF cell = *gpuView.cellDimension();
    const int cols = gpuView.terminal().cols;
    const int rows = gpuView.terminal().rows;
    int worst = 0;
    std::string report;
    for (const CellDifference& difference : compareCells(gpu, processor, cell, cols, rows)) {
        worst = std::max(worst, difference.difference);
        if (difference.difference > 24)
            report += " (" + std::to_string(difference.column) + "," + std::to_string(difference.row)
                + "):" + std::to_string(difference.difference);
    }
    if (const char* out = std::getenv("ZENTROVA_GL_TEST_OUTPUT")) {
        gpu.save(QString::fromUtf8(out) + "/gpu.png");
        processor.save(QString::fromUtf8(out) + "/processor.png");
    }
    EXPECT_TRUE(report.empty()) << "cells apart:" << report;
    std::printf("largest difference of a cell's mean colour: %d of 255\n", worst);
}

TEST_F(GlRenderEquivalence, ReverseVideoClearsWithTheForeground)
{
    QWidget window;
    window.resize(320, 200);
    TerminalView view(&window, testFont(), TerminalOptions::Default, QSize(320, 200));
    view.setNativeForegroundColor(QColor(250, 240, 200));
    view.setNativeBackgroundColor(QColor(10, 20, 30));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    view.setUseMetal(true);
    feed(view, "\x1b[?5h\x1b[?25l");
    view.updateDisplay();
    const QImage frame = gpuFrame(view);
    EXPECT_EQ(QColor(frame.pixel(frame.width() - 2, frame.height() - 2)), QColor(250, 240, 200));
}

} // namespace
} // namespace zentrova
