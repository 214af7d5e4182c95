#pragma once

#include "ZentrovaView/Gpu/FrameCompletion.h"
#include "ZentrovaView/Gpu/GpuCompletionQueue.h"
#include "ZentrovaView/Gpu/MetalSurface.h"

#include <QOpenGLWidget>

#include <memory>
#include <utility>

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

class GlMetalPipelines;
class MetalTerminalRenderer;

// The GL surface inside a terminal view: a child widget with an OpenGL 3.3 core context, drawn on
// request (update()), one frame per paintGL through the renderer. The renderer and the GL objects it
// draws with are made when the context first exists and released before it goes (Qt destroys it
// when the widget moves to another window). Frames complete when their fence signals, which is polled
// on the view's display queue; a frame counts as presented when Qt has put it on screen.
class MetalView final : public QOpenGLWidget, public MetalSurface {
public:
    MetalView(TerminalView& terminalView, MainQueue& queue);
    ~MetalView() override;

    MetalTerminalRenderer* renderer() const override { return m_renderer.get(); }
    void drawNow() override { repaint(); }

    // For the frame loop, with the context current.
    QOpenGLFunctions_3_3_Core* glFunctions() const { return m_functions; }
    GlMetalPipelines* pipelines() const { return m_pipelines.get(); }
    GpuCompletionQueue& completions() { return m_completions; }
    FrameCompletions& frameCompletions() { return m_frameCompletions; }
    // A frame was submitted: the next swap presents it, and its fence is polled until it signals.
    void frameSubmitted();
    // Whether Qt made the framebuffer anew (a first frame, a resize) since the last call: the frame
    // loop then draws everything, as nothing of the last frame is in it.
    bool takeFramebufferReplaced() { return std::exchange(m_framebufferReplaced, false); }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    struct GlDevices;

    void releaseGl();
    void pollCompletions();
    void schedulePoll();

    QOpenGLFunctions_3_3_Core* m_functions = nullptr;
    std::unique_ptr<GlDevices> m_devices;
    std::unique_ptr<GlMetalPipelines> m_pipelines;
    std::unique_ptr<MetalTerminalRenderer> m_renderer;
    // Before the queue: its handlers refer to these records.
    FrameCompletions m_frameCompletions;
    GpuCompletionQueue m_completions;
    // Looks at the fences of submitted frames until none is left; made once, started per frame.
    std::unique_ptr<MainQueue::Timer> m_pollTimer;
    bool m_awaitingPresentation = false;
    bool m_framebufferReplaced = true;
};

// Makes GL surfaces. Before a surface is made, the whole of its GPU side is built once in a context
// of its own, so that what cannot be built fails there as a MetalError.
class GlMetalSurfaceFactory final : public MetalSurfaceFactory {
public:
    static GlMetalSurfaceFactory& shared();
    // A 3.3 core context can be made and made current.
    bool deviceAvailable() override;
    std::unique_ptr<MetalSurface> make(TerminalView& terminalView, const QRect& frame) override;
};

} // namespace zentrova
