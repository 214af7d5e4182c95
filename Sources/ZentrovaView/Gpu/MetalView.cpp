#include "ZentrovaView/Gpu/MetalView.h"

#include "ZentrovaView/Gpu/GlBuffer.h"
#include "ZentrovaView/Gpu/GlGlyphAtlasTexture.h"
#include "ZentrovaView/Gpu/GlImageTexture.h"
#include "ZentrovaView/Gpu/GlMetalPipelines.h"
#include "ZentrovaView/Gpu/GlyphAtlas.h"
#include "ZentrovaView/Gpu/GpuLogging.h"
#include "ZentrovaView/Gpu/MetalError.h"
#include "ZentrovaView/Gpu/MetalShaderLibrary.h"
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"
#include "ZentrovaView/TerminalView.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

namespace zentrova {
namespace {

constexpr int initialAtlasSize = 1024;
// How often a submitted frame's fence is looked at.
constexpr std::chrono::milliseconds completionPollInterval { 1 };

QSurfaceFormat coreFormat()
{
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setAlphaBufferSize(8);
    return format;
}

// The 3.3 core functions of the current context; nothing when the context offers less.
QOpenGLFunctions_3_3_Core* coreFunctions(QOpenGLContext& context)
{
    const QSurfaceFormat format = context.format();
    if (format.version() < qMakePair(3, 3))
        return nullptr;
    auto* functions = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
    return functions && functions->initializeOpenGLFunctions() ? functions : nullptr;
}

// A context of its own on an offscreen surface, current while it lives.
struct ProbeContext {
    QOffscreenSurface surface;
    QOpenGLContext context;
    QOpenGLFunctions_3_3_Core* functions = nullptr;

    ProbeContext()
    {
        surface.setFormat(coreFormat());
        surface.create();
        context.setFormat(coreFormat());
    }
    ~ProbeContext()
    {
        if (QOpenGLContext::currentContext() == &context)
            context.doneCurrent();
    }
    bool open() { return context.create() && context.makeCurrent(&surface); }
};

} // namespace

// What makes the GL objects of one context; they outlive the renderer that uses them.
struct MetalView::GlDevices {
    explicit GlDevices(QOpenGLFunctions_3_3_Core& gl) : buffers(gl), atlases(gl), images(gl) { }
    GlBufferDevice buffers;
    GlGlyphAtlasDevice atlases;
    GlImageTextureFactory images;
};

namespace {

// The renderer's GPU side in the current context, in the order of its checks: atlases, shader
// library, programs and sampler.
struct GpuSide {
    std::unique_ptr<GlMetalPipelines> pipelines;
    std::unique_ptr<MetalTerminalRenderer> renderer;
};

template <class Devices>
GpuSide makeGpuSide(QOpenGLFunctions_3_3_Core& gl, Devices& devices, TerminalView& terminalView)
{
    auto grayscale = GlyphAtlas::make(devices.atlases, initialAtlasSize,
                                      GlyphAtlas::recommendedMaxSize(devices.atlases, GlyphAtlasFormat::grayscale),
                                      GlyphAtlasFormat::grayscale);
    auto color = GlyphAtlas::make(devices.atlases, initialAtlasSize,
                                  GlyphAtlas::recommendedMaxSize(devices.atlases, GlyphAtlasFormat::bgra),
                                  GlyphAtlasFormat::bgra);
    if (!grayscale || !color)
        throw MetalError(MetalError::Kind::atlasUnavailable);
    const MetalShaderLibrary library = MetalShaderLibrary::make();
    GpuSide side;
    side.pipelines = std::make_unique<GlMetalPipelines>(gl, library);
    side.renderer = std::make_unique<MetalTerminalRenderer>(
        terminalView, MetalTerminalRenderer::DrawDataResources { std::move(grayscale), std::move(color),
                                                                 BufferPool::make(devices.buffers), &devices.buffers,
                                                                 &devices.images });
    return side;
}

} // namespace

MetalView::MetalView(TerminalView& terminalView, MainQueue& queue)
    : QOpenGLWidget(&terminalView)
    , MetalSurface(*this, terminalView, queue)
    , m_pollTimer(queue.makeTimer([this] {
        if (context()) {
            makeCurrent();
            pollCompletions();
            doneCurrent();
        }
        schedulePoll();
    }))
{
    setFormat(coreFormat());
    // The framebuffer keeps the last frame, so that a frame can draw just what changed over it.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    // The terminal view takes the pointer and the keys.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (std::exchange(m_awaitingPresentation, false))
            recordPresentedFrame();
    });
}

MetalView::~MetalView()
{
    m_pollTimer->stop();
    releaseGl();
    // The context outlives this part of the object.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
}

void MetalView::initializeGL()
{
    m_framebufferReplaced = true;
    // Qt destroys the context when the widget moves to another top-level window; the GL objects go first.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &MetalView::releaseGl, Qt::DirectConnection);
    m_functions = coreFunctions(*context());
    TerminalView* view = terminalView();
    if (!m_functions || !view)
        return;
    m_devices = std::make_unique<GlDevices>(*m_functions);
    try {
        GpuSide side = makeGpuSide(*m_functions, *m_devices, *view);
        m_pipelines = std::move(side.pipelines);
        m_renderer = std::move(side.renderer);
    } catch (const MetalError& error) {
        // Frames are refused from now on, and the view replaces or gives up this surface.
        qCWarning(lcMetalRecovery).noquote() << "GPU renderer could not be built in its surface:" << error.what();
    }
}

void MetalView::resizeGL(int, int)
{
    m_framebufferReplaced = true;
}

void MetalView::paintGL()
{
    if (!hasDelegate())
        return;
    pollCompletions();
    if (m_renderer) {
        m_renderer->draw(*this);
        return;
    }
    // Nothing was built to draw with: no "command queue" in the design's words.
    if (const auto token = frameCoordinator().beginFrame())
        frameCoordinator().refuse(*token, MetalFrameRefusalReason::missingCommandBuffer);
}

void MetalView::frameSubmitted()
{
    m_awaitingPresentation = true;
    schedulePoll();
}

void MetalView::schedulePoll()
{
    if (m_pollTimer->isActive() || m_completions.empty())
        return;
    m_pollTimer->start(completionPollInterval);
}

void MetalView::pollCompletions()
{
    m_completions.poll();
}

void MetalView::releaseGl()
{
    if (!context() || !m_functions)
        return;
    makeCurrent();
    // Whatever is in flight finishes now, so that its completion is reported before its objects go.
    m_functions->glFinish();
    m_completions.poll();
    m_renderer.reset();
    m_pipelines.reset();
    m_devices.reset();
    m_functions = nullptr;
    doneCurrent();
}

GlMetalSurfaceFactory& GlMetalSurfaceFactory::shared()
{
    static GlMetalSurfaceFactory factory;
    return factory;
}

bool GlMetalSurfaceFactory::deviceAvailable()
{
    ProbeContext probe;
    return probe.open() && coreFunctions(probe.context);
}

std::unique_ptr<MetalSurface> GlMetalSurfaceFactory::make(TerminalView& terminalView, const QRect& frame)
{
    {
        ProbeContext probe;
        if (!probe.open())
            throw MetalError(MetalError::Kind::deviceUnavailable);
        QOpenGLFunctions_3_3_Core* gl = coreFunctions(probe.context);
        if (!gl)
            throw MetalError(MetalError::Kind::commandQueueUnavailable);
        GlBufferDevice buffers(*gl);
        GlGlyphAtlasDevice atlases(*gl);
        GlImageTextureFactory images(*gl);
        struct {
            GlBufferDevice& buffers;
            GlGlyphAtlasDevice& atlases;
            GlImageTextureFactory& images;
        } devices { buffers, atlases, images };
        makeGpuSide(*gl, devices, terminalView);
    }
    auto view = std::make_unique<MetalView>(terminalView, terminalView.displayQueue());
    view->setGeometry(frame);
    return view;
}

} // namespace zentrova
