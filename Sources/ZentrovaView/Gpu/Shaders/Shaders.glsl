// The terminal's shaders. Every "//! name" line starts one shader function; the text before the
// first one is shared by all. Each function is compiled alone as one stage, after "#version 330 core"
// and the shared text, with a main() that calls it.
//
// Positions are device pixels of the drawable, origin at its bottom-left corner, y up, as GL's
// framebuffer is. Colours arrive straight; the fragments return premultiplied colour for the text
// and image programs (blended with source factor one) and straight colour for the colour programs
// (blended with source factor source alpha).

uniform vec2 viewportSize;

vec4 clipPosition(vec2 pixels)
{
    return vec4(pixels / viewportSize * 2.0 - 1.0, 0.0, 1.0);
}

// A cell record is drawn as two triangles; the vertex number picks the corner.
vec2 cellCorner(int vertexNumber)
{
    const vec2 corners[6] = vec2[6](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(0.0, 1.0),
                                    vec2(0.0, 1.0), vec2(1.0, 0.0), vec2(1.0, 1.0));
    return corners[vertexNumber % 6];
}

//! terminal_text_vertex
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 color;
out vec2 vTexCoord;
out vec4 vColor;

void terminal_text_vertex()
{
    gl_Position = clipPosition(position);
    vTexCoord = texCoord;
    vColor = color;
}

//! terminal_cell_text_vertex
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 size;
layout(location = 2) in vec2 texOrigin;
layout(location = 3) in vec2 texSize;
layout(location = 4) in vec4 color;
out vec2 vTexCoord;
out vec4 vColor;

void terminal_cell_text_vertex()
{
    vec2 corner = cellCorner(gl_VertexID);
    gl_Position = clipPosition(position + size * corner);
    vTexCoord = texOrigin + texSize * corner;
    vColor = color;
}

//! terminal_text_fragment
uniform sampler2D atlas;
in vec2 vTexCoord;
in vec4 vColor;
out vec4 fragColor;

// The colour atlas and image textures hold premultiplied colour.
void terminal_text_fragment()
{
    vec4 texel = texture(atlas, vTexCoord);
    fragColor = vec4(texel.rgb * vColor.rgb, texel.a) * vColor.a;
}

//! terminal_text_fragment_gray
uniform sampler2D atlas;
in vec2 vTexCoord;
in vec4 vColor;
out vec4 fragColor;

// The grayscale atlas holds coverage in its one channel.
void terminal_text_fragment_gray()
{
    float coverage = texture(atlas, vTexCoord).r;
    fragColor = vec4(vColor.rgb * vColor.a, vColor.a) * coverage;
}

//! terminal_color_vertex
layout(location = 0) in vec2 position;
layout(location = 2) in vec4 color;
out vec4 vColor;

void terminal_color_vertex()
{
    gl_Position = clipPosition(position);
    vColor = color;
}

//! terminal_cell_color_vertex
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 size;
layout(location = 4) in vec4 color;
out vec4 vColor;

void terminal_cell_color_vertex()
{
    gl_Position = clipPosition(position + size * cellCorner(gl_VertexID));
    vColor = color;
}

//! terminal_color_fragment
in vec4 vColor;
out vec4 fragColor;

void terminal_color_fragment()
{
    fragColor = vColor;
}
