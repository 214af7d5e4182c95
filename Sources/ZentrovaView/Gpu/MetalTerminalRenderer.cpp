// The frame loop: one frame per paint of the GL surface, admitted by the frame coordinator, its draw
// data built (again while a glyph atlas changes under the build), encoded layer by layer and fenced.
// The fence completes the frame for the coordinator and gives the frame's pooled buffers back.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "ZentrovaView/Gpu/DrawGeometry.h"
#include "ZentrovaView/Gpu/GlBackgroundGridTexture.h"
#include "ZentrovaView/Gpu/GlBuffer.h"
#include "ZentrovaView/Gpu/GlFence.h"
#include "ZentrovaView/Gpu/GlGlyphAtlasTexture.h"
#include "ZentrovaView/Gpu/GlImageTexture.h"
#include "ZentrovaView/Gpu/GlMetalPipelines.h"
#include "ZentrovaView/Gpu/GpuLogging.h"
#include "ZentrovaView/Gpu/MetalRecoverySignpost.h"
#include "ZentrovaView/Gpu/MetalView.h"
#include "ZentrovaView/TerminalView.h"

#include <QOpenGLFunctions_3_3_Core>

#include <sys/sdt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zentrova {
namespace {

// Builds after the first while an atlas keeps changing; the last of them runs with frozen atlases.
constexpr int maxRebuildPasses = 5;

using Pipeline = GlMetalPipelines::Pipeline;

// Records (cells, or quads of six vertices) issued between two flushes of a frame. A flush hands the
// commands so far to the GPU; Mesa's software rasteriser starts its threads on them only then, so a
// big frame handed over in parts is rasterised while the rest is still being encoded. Flushing every
// few rows costs more than it gains. The background grid's one quad counts as the cells it covers.
constexpr size_t recordsPerFlush = 2048;

// One frame's encoding state: the programs, the viewport and the pool per-frame lists are copied into.
struct FrameEncoder {
    QOpenGLFunctions_3_3_Core& gl;
    GlMetalPipelines& pipelines;
    BufferPool& pool;
    unsigned grayTexture;
    unsigned colorTexture;
    unsigned gridTexture;
    float width;
    float height;
    // The pixel rows [first, second) being drawn: rows whose records cannot reach them are left out.
    std::pair<int, int> clip { std::numeric_limits<int>::min(), std::numeric_limits<int>::max() };
    const std::vector<PixelSpan>* rowSpans = nullptr;

    // Records issued since the last flush.
    size_t unflushed = 0;

    bool reaches(size_t row) const { return !rowSpans || (*rowSpans)[row].reaches(clip.first, clip.second); }

    void issued(size_t records)
    {
        unflushed += records;
        if (unflushed < recordsPerFlush)
            return;
        gl.glFlush();
        unflushed = 0;
    }

    void use(const Pipeline& pipeline, std::optional<unsigned> texture = std::nullopt)
    {
        pipelines.bind(pipeline, width, height);
        if (texture)
            pipelines.bindTexture(*texture);
    }

    static unsigned id(const GpuBuffer& buffer) { return static_cast<const GlBuffer&>(buffer).id(); }
    static unsigned id(const GpuImageTexture& texture) { return static_cast<const GlImageTexture&>(texture).id(); }

    template <class Record>
    void drawCells(const std::vector<Record>& cells, const Pipeline& pipeline, std::optional<unsigned> texture = std::nullopt)
    {
        if (cells.empty())
            return;
        auto buffer = pool.makeBuffer(std::span<const Record>(cells));
        if (!buffer)
            return;
        use(pipeline, texture);
        pipelines.bindBuffer(pipeline, id(*buffer));
        pipelines.drawCells(cells.size());
        issued(cells.size());
    }

    template <class Record>
    void drawVertices(const std::vector<Record>& vertices, const Pipeline& pipeline,
                      std::optional<unsigned> texture = std::nullopt)
    {
        if (vertices.empty())
            return;
        auto buffer = pool.makeBuffer(std::span<const Record>(vertices));
        if (!buffer)
            return;
        use(pipeline, texture);
        pipelines.bindBuffer(pipeline, id(*buffer));
        pipelines.drawVertices(vertices.size());
        issued(vertices.size() / 6);
    }

    void drawImageBatches(const std::vector<ImageDraw>& draws)
    {
        if (draws.empty())
            return;
        use(pipelines.textPipeline);
        for (const ImageDraw& draw : draws) {
            if (draw.vertices.empty() || !draw.texture)
                continue;
            auto buffer = pool.makeBuffer(std::span<const GlyphVertex>(draw.vertices));
            if (!buffer)
                continue;
            pipelines.bindBuffer(pipelines.textPipeline, id(*buffer));
            pipelines.bindTexture(id(*draw.texture));
            pipelines.drawVertices(draw.vertices.size());
            issued(draw.vertices.size() / 6);
        }
    }

    void drawFrameData(const FrameDrawData& frame)
    {
        drawCells(frame.backgroundCells, pipelines.cellColorPipeline);
        drawImageBatches(frame.underImageDraws);
        drawCells(frame.powerlineJoinCells, pipelines.cellColorPipeline);
        drawCells(frame.glyphCellsGray, pipelines.cellTextGrayPipeline, grayTexture);
        drawCells(frame.glyphCellsColor, pipelines.cellTextPipeline, colorTexture);
        drawCells(frame.decorationCells, pipelines.cellColorPipeline);
        drawImageBatches(frame.placeholderImageDraws);
        drawImageBatches(frame.overImageDraws);
        drawImageBatches(frame.otherImageDraws);
    }

    // One layer across all rows; its program is bound once, at the first row that has something.
    void drawRowLayer(const std::vector<RowDrawBuffers>& rows, std::shared_ptr<GpuBuffer> RowDrawBuffers::*buffer,
                      int RowDrawBuffers::*count, const Pipeline& pipeline, std::optional<unsigned> texture = std::nullopt)
    {
        bool bound = false;
        for (size_t index = 0; index < rows.size(); ++index) {
            const RowDrawBuffers& row = rows[index];
            if (!(row.*buffer) || row.*count <= 0 || !reaches(index))
                continue;
            if (!bound)
                use(pipeline, texture);
            bound = true;
            pipelines.bindBuffer(pipeline, id(*(row.*buffer)));
            pipelines.drawCells(size_t(row.*count));
            issued(size_t(row.*count));
        }
    }

    void drawImageRows(const std::vector<RowDrawBuffers>& rows, std::vector<ImageDrawBuffer> RowDrawBuffers::*images)
    {
        bool bound = false;
        for (size_t index = 0; index < rows.size(); ++index) {
            if (!reaches(index))
                continue;
            for (const ImageDrawBuffer& image : rows[index].*images) {
                if (!image.buffer || !image.texture || image.vertexCount <= 0)
                    continue;
                if (!bound)
                    use(pipelines.textPipeline);
                bound = true;
                pipelines.bindBuffer(pipelines.textPipeline, id(*image.buffer));
                pipelines.bindTexture(id(*image.texture));
                pipelines.drawVertices(size_t(image.vertexCount));
                issued(size_t(image.vertexCount) / 6);
            }
        }
    }

    // One quad over the rows of the grid that have a colour, each pixel the colour of its cell. The
    // text program with a white tint draws the premultiplied texels as the colour program draws
    // straight colour.
    void drawBackgroundGrid(const BackgroundGrid& grid)
    {
        const auto [first, end] = grid.filledRange();
        if (first >= end)
            return;
        const float rowHeight = grid.size[1] / float(grid.rows);
        const TextCell quad { { grid.position[0], grid.position[1] + rowHeight * float(first) },
                              { grid.size[0], rowHeight * float(end - first) },
                              { 0, float(first) / float(grid.rows) },
                              { 1, float(end - first) / float(grid.rows) },
                              { 1, 1, 1, 1 } };
        auto buffer = pool.makeBuffer(std::span<const TextCell>(&quad, 1));
        if (!buffer)
            return;
        use(pipelines.cellTextPipeline);
        pipelines.bindTexture(gridTexture, GlMetalPipelines::Filter::nearest);
        pipelines.bindBuffer(pipelines.cellTextPipeline, id(*buffer));
        pipelines.drawCells(1);
        issued(size_t(grid.cols) * size_t(end - first));
    }

    void drawRows(const std::vector<RowDrawBuffers>& rows, const BackgroundGrid& grid)
    {
        using R = RowDrawBuffers;
        drawBackgroundGrid(grid);
        drawRowLayer(rows, &R::backgroundBuffer, &R::backgroundCount, pipelines.cellColorPipeline);
        drawImageRows(rows, &R::underImageBuffers);
        drawRowLayer(rows, &R::powerlineJoinBuffer, &R::powerlineJoinCount, pipelines.cellColorPipeline);
        drawRowLayer(rows, &R::glyphGrayBuffer, &R::glyphGrayCount, pipelines.cellTextGrayPipeline, grayTexture);
        drawRowLayer(rows, &R::glyphColorBuffer, &R::glyphColorCount, pipelines.cellTextPipeline, colorTexture);
        drawRowLayer(rows, &R::decorationBuffer, &R::decorationCount, pipelines.cellColorPipeline);
        drawImageRows(rows, &R::placeholderImageBuffers);
        drawImageRows(rows, &R::overImageBuffers);
        drawImageRows(rows, &R::otherImageBuffers);
    }

    void draw(const DrawData& data)
    {
        if (data.frame)
            drawFrameData(*data.frame);
        else
            drawRows(data.rows, data.backgroundGrid);
        drawVertices(data.cursorColorVertices, pipelines.colorPipeline);
        drawVertices(data.cursorGlyphVerticesGray, pipelines.textGrayPipeline, grayTexture);
        drawVertices(data.cursorGlyphVerticesColor, pipelines.textPipeline, colorTexture);
    }
};

// More stretches than this are drawn as one from the lowest to the highest.
constexpr size_t maxDamageStretches = 8;

PixelSpan cursorSpan(const DrawData& data)
{
    PixelSpan span;
    span.addRecords(data.cursorColorVertices);
    span.addRecords(data.cursorGlyphVerticesGray);
    span.addRecords(data.cursorGlyphVerticesColor);
    return span;
}

unsigned atlasTexture(const GlyphAtlas& atlas)
{
    return static_cast<const GlGlyphAtlasTexture&>(atlas.texture()).id();
}

bool cursorShouldBlink(TerminalView& view)
{
    const Terminal& terminal = view.terminal();
    switch (terminal.options.cursorStyle) {
    case CursorStyle::blinkBlock:
    case CursorStyle::blinkUnderline:
    case CursorStyle::blinkBar:
        break;
    default:
        return false;
    }
    return !terminal.cursorHidden && (!view.caretViewTracksFocus() || view.hasFocus());
}

} // namespace

void MetalTerminalRenderer::draw(MetalView& view)
{
    const bool profiling = MetalRecoverySignpost::isEnabled();
    if (profiling)
        STAP_PROBE(MetalProfile, Metal_Draw_begin);
    const struct DrawEnd {
        bool profiling;
        ~DrawEnd()
        {
            if (profiling)
                STAP_PROBE(MetalProfile, Metal_Draw_end);
        }
    } drawEnd { profiling };

    MetalFrameCoordinator& coordinator = view.frameCoordinator();
    const auto token = coordinator.beginFrame();
    if (!token)
        return;
    // The framebuffer holds the last frame only if this one is drawn in full.
    const std::optional<KeptFrame> previous = std::exchange(m_keptFrame, std::nullopt);
    TerminalView* terminalView = m_terminalView;
    if (!terminalView) {
        coordinator.refuse(*token, MetalFrameRefusalReason::missingDrawable);
        return;
    }
    m_rasterizer.fontSmoothing = terminalView->fontSmoothing();
    const double scale = std::max(terminalView->metalScaleFactorOverride().value_or(view.devicePixelRatioF()), 1.0);

    view.updateCursorBlinkTimer(cursorShouldBlink(*terminalView));
    m_cursorBlinkOn = view.cursorBlinkOn();

    // The drawable: a valid context over a surface with pixels. The render pass: its framebuffer.
    QOpenGLFunctions_3_3_Core* gl = view.glFunctions();
    const int pixelWidth = int(std::lround(view.width() * view.devicePixelRatioF()));
    const int pixelHeight = int(std::lround(view.height() * view.devicePixelRatioF()));
    if (!gl || !view.context() || !view.context()->isValid() || pixelWidth <= 0 || pixelHeight <= 0) {
        coordinator.refuse(*token, MetalFrameRefusalReason::missingDrawable);
        return;
    }
    if (!view.defaultFramebufferObject()) {
        coordinator.refuse(*token, MetalFrameRefusalReason::missingRenderPassDescriptor);
        return;
    }
    const DrawData& data = buildDrawData(scale);

    GlMetalPipelines* pipelines = view.pipelines();
    if (!pipelines) {
        coordinator.refuse(*token, MetalFrameRefusalReason::missingCommandBuffer);
        return;
    }
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        coordinator.refuse(*token, MetalFrameRefusalReason::missingRenderEncoder);
        return;
    }
    while (gl->glGetError() != GL_NO_ERROR) { } // errors before this frame are not its own

    const QColor clear = terminalView->terminal().reverseColors ? terminalView->nativeForegroundColor()
                                                                : terminalView->nativeBackgroundColor();
    // Qt composes the surface premultiplied.
    const auto [red, green, blue, alpha] = colorToSIMD(clear);
    const KeptFrame drawn { pixelWidth, pixelHeight, { red * alpha, green * alpha, blue * alpha, alpha }, cursorSpan(data) };
    // Over the last frame when the framebuffer still holds it and only some rows or the cursor changed.
    const bool framebufferReplaced = view.takeFramebufferReplaced();
    const bool whole = framebufferReplaced || !previous || data.frame || data.everyRowBuilt
        || previous->width != drawn.width || previous->height != drawn.height || previous->clear != drawn.clear;
    gl->glViewport(0, 0, pixelWidth, pixelHeight);
    gl->glClearColor(drawn.clear[0], drawn.clear[1], drawn.clear[2], drawn.clear[3]);

    if (!m_backgroundGridTexture)
        m_backgroundGridTexture = std::make_unique<GlBackgroundGridTexture>(*gl);
    // A frame drawn whole may follow one that never reached the texture.
    m_backgroundGridTexture->update(m_frameDrawData.backgroundGrid, whole);

    m_bufferPool->beginFrame();
    FrameEncoder encoder { *gl,
                           *pipelines,
                           *m_bufferPool,
                           atlasTexture(*m_grayscaleAtlas),
                           atlasTexture(*m_colorAtlas),
                           m_backgroundGridTexture->id(),
                           float(pixelWidth),
                           float(pixelHeight) };
    if (whole) {
        m_wholeFrameCount++;
        gl->glClear(GL_COLOR_BUFFER_BIT);
        encoder.draw(data);
    } else {
        // Each changed stretch cleared and drawn again from the rows that reach it, scissored to it.
        collectDamage(data, previous->cursor, pixelHeight);
        encoder.rowSpans = &data.rowSpans;
        gl->glEnable(GL_SCISSOR_TEST);
        for (const auto& [bottom, top] : m_damage) {
            gl->glScissor(0, bottom, pixelWidth, top - bottom);
            gl->glClear(GL_COLOR_BUFFER_BIT);
            encoder.clip = { bottom, top };
            encoder.draw(data);
        }
        gl->glDisable(GL_SCISSOR_TEST);
    }
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);

    const GLenum error = gl->glGetError();
    std::optional<std::string> errorText;
    if (error != GL_NO_ERROR) {
        char text[32];
        std::snprintf(text, sizeof text, "GL error 0x%04x", error);
        errorText = text;
    }
    if (!errorText)
        m_keptFrame = drawn;
    std::shared_ptr<GlFence> fence = nextFence(*gl);
    coordinator.didSubmit(*token, fence);
    FrameCompletion& completion = view.frameCompletions().acquire();
    completion.coordinator = view.weakFrameCoordinator();
    completion.token = *token;
    completion.error = std::move(errorText);
    completion.pool = m_bufferPool;
    m_bufferPool->takeFrameBuffers(completion.buffers);
    // Captures one reference: std::function keeps it without allocating.
    view.completions().add(std::move(fence), [&completion] { completion.run(); });
    view.frameSubmitted();
}

void MetalTerminalRenderer::collectDamage(const DrawData& data, const PixelSpan& previousCursor, int pixelHeight)
{
    m_damage.clear();
    const auto add = [&](const PixelSpan& span) {
        if (span.empty())
            return;
        const int bottom = std::clamp(int(std::floor(span.bottom)), 0, pixelHeight);
        const int top = std::clamp(int(std::ceil(span.top)), 0, pixelHeight);
        if (bottom < top)
            m_damage.emplace_back(bottom, top);
    };
    for (const PixelSpan& span : data.changedSpans)
        add(span);
    add(previousCursor);
    add(cursorSpan(data));
    // Sorted and merged: every pixel row is drawn once.
    std::ranges::sort(m_damage);
    size_t merged = 0;
    for (size_t i = 0; i < m_damage.size(); ++i) {
        if (merged > 0 && m_damage[i].first <= m_damage[merged - 1].second)
            m_damage[merged - 1].second = std::max(m_damage[merged - 1].second, m_damage[i].second);
        else
            m_damage[merged++] = m_damage[i];
    }
    m_damage.resize(merged);
    if (m_damage.size() > maxDamageStretches) {
        m_damage.front().second = m_damage.back().second;
        m_damage.resize(1);
    }
}

std::shared_ptr<GlFence> MetalTerminalRenderer::nextFence(QOpenGLFunctions_3_3_Core& gl)
{
    for (const std::shared_ptr<GlFence>& fence : m_fences) {
        if (fence.use_count() == 1) { // its frame is done: neither the queue nor the coordinator holds it
            fence->rearm();
            return fence;
        }
    }
    return m_fences.emplace_back(std::make_shared<GlFence>(gl));
}

const DrawData& MetalTerminalRenderer::buildDrawData(double scale)
{
    return buildDrawData([this, scale](DrawData& data) { buildDrawDataPass(scale, data); });
}

const DrawData& MetalTerminalRenderer::buildDrawData(const std::function<void(DrawData&)>& pass)
{
    for (int rebuild = 0;; ++rebuild) {
        if (rebuild == maxRebuildPasses) {
            qCCritical(lcMetalAtlas) << "glyph working set exceeds max atlas capacity; some glyphs will be skipped this frame";
            m_grayscaleAtlas->setFrozen(true);
            m_colorAtlas->setFrozen(true);
        }
        m_atlasInvalidatedDuringBuild = false;
        pass(m_frameDrawData);
        if (!m_atlasInvalidatedDuringBuild || rebuild >= maxRebuildPasses)
            break;
        clearRowCache();
        qCInfo(lcMetalAtlas, "glyph atlas changed during frame build; rebuild pass %d/%d", rebuild + 1, maxRebuildPasses);
    }
    m_grayscaleAtlas->setFrozen(false);
    m_colorAtlas->setFrozen(false);
    return m_frameDrawData;
}

} // namespace zentrova
