#pragma once

#include "TerminalViewTestSupport.h"
#include "ZentrovaView/Gpu/MetalView.h"
#include "ZentrovaView/TerminalView.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace zentrova {

// Whether GPU surfaces can be made here: the xcb platform with a GL device.
inline bool glSurfacesAvailable()
{
    return qgetenv("QT_QPA_PLATFORM") == "xcb" && GlMetalSurfaceFactory::shared().deviceAvailable();
}

// A terminal view in a window of its size, shown.
struct ShownTerminalView {
    explicit ShownTerminalView(QSize size)
        : view(&window, testFont(), TerminalOptions::Default, size)
    {
        window.resize(size);
        window.show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(&window); }

    QWidget window;
    TerminalView view;
};

// The view's GPU surface, once it exists.
inline MetalView& glSurface(TerminalView& view)
{
    return *static_cast<MetalView*>(view.metalSurface());
}

// How long a test waits for a GL frame. The software rasteriser under the sanitizers, sharing the
// processor with other tests, can take seconds; the wait ends as soon as the frame is there.
inline constexpr int glFrameWaitMs = 20000;

// The GPU surface's picture once a frame was presented and nothing is in flight.
inline QImage gpuFrame(TerminalView& view)
{
    MetalView& surface = glSurface(view);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.metalRendererStatus().presentedFrameCount > 0; }, glFrameWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !surface.frameCoordinator().hasActiveFrame(); }, glFrameWaitMs));
    return surface.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

// A fed screen of colours, underlines, box drawing, an image and a steady block cursor.
inline void feedScreen(TerminalView& view)
{
    feed(view, "\x1b[2 q");
    feed(view, "plain \x1b[31mred \x1b[1;32mbold green\x1b[0m \x1b[44;33m yellow on blue \x1b[0m\r\n");
    feed(view, "\x1b[4munderlined\x1b[0m \x1b[9mstruck\x1b[0m \x1b[38;2;255;128;0;48;2;20;40;60m true colour \x1b[0m\r\n");
    feed(view, "\xe2\x94\x8c\xe2\x94\x80\xe2\x94\x80\xe2\x94\x90 \xe2\x96\x88\xe2\x96\x80\xe2\x96\x84\r\n");
    feed(view, "\xe2\x94\x94\xe2\x94\x80\xe2\x94\x80\xe2\x94\x98 \x1b[7mreverse\x1b[0m\r\n");
    // 32 x 32 pixels: blue above, yellow below.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            pixels.insert(pixels.end(), y < 16 ? std::initializer_list<uint8_t> { 0, 0, 255, 255 }
                                               : std::initializer_list<uint8_t> { 255, 255, 0, 255 });
    view.createImageFromBitmap(view.terminal(), pixels, 32, 32);
    feed(view, "\r\n$ ");
}

} // namespace zentrova
