#pragma once

#include <cstddef>

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

class MetalShaderLibrary;

// The terminal's six GL programs with their blending and the vertex layouts they read, made once in
// one context and used, and destroyed, with it current.
//
// Every program blends adding, with destination factor one-minus-source-alpha for colour and alpha
// and source alpha factor one; the source colour factor is one for the text programs (their
// fragments are premultiplied) and source alpha for the colour programs.
class GlMetalPipelines {
public:
    // The records a program reads from its vertex buffer.
    enum class Layout { glyphVertex, textCell, colorVertex, colorCell };

    struct Pipeline {
        unsigned program = 0;
        unsigned sourceColorFactor = 0;
        Layout layout = Layout::colorCell;
        int viewportLocation = -1;
        int atlasLocation = -1;
    };

    // Compiles the library's seven functions and links the six programs: MetalError
    // shaderCompilationFailed with GL's log for a function that does not compile,
    // pipelineCreationFailed for a program that does not link, samplerUnavailable without a sampler.
    GlMetalPipelines(QOpenGLFunctions_3_3_Core& gl, const MetalShaderLibrary& library);
    ~GlMetalPipelines();
    GlMetalPipelines(const GlMetalPipelines&) = delete;
    GlMetalPipelines& operator=(const GlMetalPipelines&) = delete;

    // Makes `pipeline` current with its blending and the viewport size (pixels), and points the
    // vertex array at the start of `buffer` as its layout reads it.
    void bind(const Pipeline& pipeline, float viewportWidth, float viewportHeight);
    void bindBuffer(const Pipeline& pipeline, unsigned buffer);
    // Binds a texture, with the clamping sampler of that filter, for the textured programs.
    enum class Filter { linear, nearest };
    void bindTexture(unsigned texture, Filter filter = Filter::linear);
    // Two triangles per cell record, six vertices each.
    void drawCells(size_t count);
    void drawVertices(size_t count);

    Pipeline textPipeline;
    Pipeline textGrayPipeline;
    Pipeline cellTextPipeline;
    Pipeline cellTextGrayPipeline;
    Pipeline colorPipeline;
    Pipeline cellColorPipeline;

private:
    void destroy();

    QOpenGLFunctions_3_3_Core& m_gl;
    unsigned m_vertexArray = 0;
    unsigned m_sampler = 0;
    unsigned m_nearestSampler = 0;
};

} // namespace zentrova
