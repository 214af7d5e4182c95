#include "ZentrovaView/Gpu/GlMetalPipelines.h"

#include "ZentrovaView/Gpu/GpuLogging.h"
#include "ZentrovaView/Gpu/MetalError.h"
#include "ZentrovaView/Gpu/MetalShaderLibrary.h"

#include <QOpenGLFunctions_3_3_Core>

#include <array>
#include <map>
#include <string>
#include <utility>

namespace zentrova {
namespace {

// The vertex attributes the shader functions declare, by location.
struct Attribute {
    unsigned location;
    int components;
    size_t offset;
};

struct LayoutInfo {
    int stride;
    bool perInstance; // cell records: one per instance, expanded by the vertex number
    size_t count;
    std::array<Attribute, 5> attributes;
};

// Fixed tables: binding a buffer happens for every draw and must not allocate.
const LayoutInfo& layoutInfo(GlMetalPipelines::Layout layout)
{
    static constexpr LayoutInfo glyphVertex { 32, false, 3, { { { 0, 2, 0 }, { 1, 2, 8 }, { 2, 4, 16 } } } };
    static constexpr LayoutInfo textCell { 48, true, 5,
                                           { { { 0, 2, 0 }, { 1, 2, 8 }, { 2, 2, 16 }, { 3, 2, 24 }, { 4, 4, 32 } } } };
    static constexpr LayoutInfo colorVertex { 32, false, 2, { { { 0, 2, 0 }, { 2, 4, 16 } } } };
    static constexpr LayoutInfo colorCell { 32, true, 3, { { { 0, 2, 0 }, { 1, 2, 8 }, { 4, 4, 16 } } } };
    using Layout = GlMetalPipelines::Layout;
    switch (layout) {
    case Layout::glyphVertex:
        return glyphVertex;
    case Layout::textCell:
        return textCell;
    case Layout::colorVertex:
        return colorVertex;
    case Layout::colorCell:
        break;
    }
    return colorCell;
}

constexpr unsigned attributeLocations = 5;

std::string infoLog(QOpenGLFunctions_3_3_Core& gl, unsigned object, bool program)
{
    int length = 0;
    program ? gl.glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length) : gl.glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(std::max(length, 1)), '\0');
    int written = 0;
    program ? gl.glGetProgramInfoLog(object, length, &written, log.data())
            : gl.glGetShaderInfoLog(object, length, &written, log.data());
    log.resize(size_t(std::max(written, 0)));
    while (!log.empty() && (log.back() == '\n' || log.back() == '\0'))
        log.pop_back();
    return log;
}

// The seven functions compiled, deleted again once the programs are linked.
class CompiledFunctions {
public:
    CompiledFunctions(QOpenGLFunctions_3_3_Core& gl, const MetalShaderLibrary& library)
        : m_gl(gl)
    {
        for (std::string_view name : MetalShaderLibrary::requiredFunctions) {
            const bool vertex = name.ends_with("_vertex");
            const unsigned shader = gl.glCreateShader(vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
            if (!shader)
                throw MetalError(MetalError::Kind::shaderCompilationFailed, std::string(name) + ": no shader object");
            m_shaders[std::string(name)] = shader;
            const QByteArray source = library.stageSource(name).toUtf8();
            const char* text = source.constData();
            gl.glShaderSource(shader, 1, &text, nullptr);
            gl.glCompileShader(shader);
            int compiled = 0;
            gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
            if (!compiled)
                throw MetalError(MetalError::Kind::shaderCompilationFailed, std::string(name) + ": " + infoLog(gl, shader, false));
        }
    }
    ~CompiledFunctions()
    {
        for (const auto& [name, shader] : m_shaders)
            m_gl.glDeleteShader(shader);
    }
    unsigned operator[](const std::string& name) const { return m_shaders.at(name); }

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    std::map<std::string, unsigned> m_shaders;
};

} // namespace

GlMetalPipelines::GlMetalPipelines(QOpenGLFunctions_3_3_Core& gl, const MetalShaderLibrary& library)
    : m_gl(gl)
{
    try {
        const CompiledFunctions functions(gl, library);
        const auto link = [&](const char* vertex, const char* fragment, unsigned sourceFactor, Layout layout) {
            Pipeline pipeline { gl.glCreateProgram(), sourceFactor, layout };
            if (!pipeline.program)
                throw MetalError(MetalError::Kind::pipelineCreationFailed, "text/color/cell");
            gl.glAttachShader(pipeline.program, functions[vertex]);
            gl.glAttachShader(pipeline.program, functions[fragment]);
            gl.glLinkProgram(pipeline.program);
            int linked = 0;
            gl.glGetProgramiv(pipeline.program, GL_LINK_STATUS, &linked);
            if (!linked) {
                // The description stays GL-neutral; the log says what went wrong.
                qCWarning(lcMetalProfile).noquote() << "GL program" << vertex << "+" << fragment << "did not link:"
                                                    << QString::fromStdString(infoLog(gl, pipeline.program, true));
                gl.glDeleteProgram(pipeline.program);
                throw MetalError(MetalError::Kind::pipelineCreationFailed, "text/color/cell");
            }
            gl.glDetachShader(pipeline.program, functions[vertex]);
            gl.glDetachShader(pipeline.program, functions[fragment]);
            pipeline.viewportLocation = gl.glGetUniformLocation(pipeline.program, "viewportSize");
            pipeline.atlasLocation = gl.glGetUniformLocation(pipeline.program, "atlas");
            return pipeline;
        };
        textPipeline = link("terminal_text_vertex", "terminal_text_fragment", GL_ONE, Layout::glyphVertex);
        textGrayPipeline = link("terminal_text_vertex", "terminal_text_fragment_gray", GL_ONE, Layout::glyphVertex);
        cellTextPipeline = link("terminal_cell_text_vertex", "terminal_text_fragment", GL_ONE, Layout::textCell);
        cellTextGrayPipeline = link("terminal_cell_text_vertex", "terminal_text_fragment_gray", GL_ONE, Layout::textCell);
        colorPipeline = link("terminal_color_vertex", "terminal_color_fragment", GL_SRC_ALPHA, Layout::colorVertex);
        cellColorPipeline = link("terminal_cell_color_vertex", "terminal_color_fragment", GL_SRC_ALPHA, Layout::colorCell);

        for (auto [sampler, filter] : { std::pair(&m_sampler, GL_LINEAR), std::pair(&m_nearestSampler, GL_NEAREST) }) {
            gl.glGenSamplers(1, sampler);
            if (!*sampler)
                throw MetalError(MetalError::Kind::samplerUnavailable);
            gl.glSamplerParameteri(*sampler, GL_TEXTURE_MIN_FILTER, filter);
            gl.glSamplerParameteri(*sampler, GL_TEXTURE_MAG_FILTER, filter);
            gl.glSamplerParameteri(*sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            gl.glSamplerParameteri(*sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
        gl.glGenVertexArrays(1, &m_vertexArray);
    } catch (...) {
        destroy();
        throw;
    }
}

GlMetalPipelines::~GlMetalPipelines()
{
    destroy();
}

void GlMetalPipelines::destroy()
{
    for (Pipeline* pipeline : { &textPipeline, &textGrayPipeline, &cellTextPipeline, &cellTextGrayPipeline,
                                &colorPipeline, &cellColorPipeline }) {
        if (pipeline->program)
            m_gl.glDeleteProgram(pipeline->program);
        pipeline->program = 0;
    }
    for (unsigned* sampler : { &m_sampler, &m_nearestSampler }) {
        if (*sampler)
            m_gl.glDeleteSamplers(1, sampler);
        *sampler = 0;
    }
    if (m_vertexArray)
        m_gl.glDeleteVertexArrays(1, &m_vertexArray);
    m_vertexArray = 0;
}

void GlMetalPipelines::bind(const Pipeline& pipeline, float viewportWidth, float viewportHeight)
{
    m_gl.glUseProgram(pipeline.program);
    m_gl.glEnable(GL_BLEND);
    m_gl.glBlendEquationSeparate(GL_FUNC_ADD, GL_FUNC_ADD);
    m_gl.glBlendFuncSeparate(pipeline.sourceColorFactor, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    m_gl.glUniform2f(pipeline.viewportLocation, viewportWidth, viewportHeight);
    if (pipeline.atlasLocation >= 0)
        m_gl.glUniform1i(pipeline.atlasLocation, 0);
    m_gl.glBindVertexArray(m_vertexArray);
    const LayoutInfo& info = layoutInfo(pipeline.layout);
    for (unsigned location = 0; location < attributeLocations; ++location)
        m_gl.glDisableVertexAttribArray(location);
    for (size_t i = 0; i < info.count; ++i) {
        const Attribute& attribute = info.attributes[i];
        m_gl.glEnableVertexAttribArray(attribute.location);
        m_gl.glVertexAttribDivisor(attribute.location, info.perInstance ? 1 : 0);
    }
}

void GlMetalPipelines::bindBuffer(const Pipeline& pipeline, unsigned buffer)
{
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const LayoutInfo& info = layoutInfo(pipeline.layout);
    for (size_t i = 0; i < info.count; ++i) {
        const Attribute& attribute = info.attributes[i];
        m_gl.glVertexAttribPointer(attribute.location, attribute.components, GL_FLOAT, GL_FALSE, info.stride,
                                   reinterpret_cast<const void*>(attribute.offset));
    }
}

void GlMetalPipelines::bindTexture(unsigned texture, Filter filter)
{
    m_gl.glActiveTexture(GL_TEXTURE0);
    m_gl.glBindTexture(GL_TEXTURE_2D, texture);
    m_gl.glBindSampler(0, filter == Filter::nearest ? m_nearestSampler : m_sampler);
}

void GlMetalPipelines::drawCells(size_t count)
{
    m_gl.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, GLsizei(count));
}

void GlMetalPipelines::drawVertices(size_t count)
{
    m_gl.glDrawArrays(GL_TRIANGLES, 0, GLsizei(count));
}

} // namespace zentrova
