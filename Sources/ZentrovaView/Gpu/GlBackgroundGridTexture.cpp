#include "ZentrovaView/Gpu/GlBackgroundGridTexture.h"

#include "ZentrovaView/Gpu/BackgroundGrid.h"

#include <QOpenGLFunctions_3_3_Core>

#include <algorithm>

namespace zentrova {

GlBackgroundGridTexture::GlBackgroundGridTexture(QOpenGLFunctions_3_3_Core& gl)
    : m_gl(gl)
{
    GLuint id = 0;
    m_gl.glGenTextures(1, &id);
    m_id = id;
    m_gl.glBindTexture(GL_TEXTURE_2D, m_id);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    m_gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
}

GlBackgroundGridTexture::~GlBackgroundGridTexture()
{
    GLuint id = m_id;
    m_gl.glDeleteTextures(1, &id);
}

void GlBackgroundGridTexture::update(BackgroundGrid& grid, bool everything)
{
    if (grid.cols <= 0 || grid.rows <= 0)
        return;
    m_gl.glBindTexture(GL_TEXTURE_2D, m_id);
    if (grid.cols != m_cols || grid.rows != m_rows) {
        m_cols = grid.cols;
        m_rows = grid.rows;
        m_gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, m_cols, m_rows, 0, GL_RGBA, GL_FLOAT, nullptr);
        everything = true;
    }
    if (everything)
        std::ranges::fill(grid.staleRows, 1);
    // Each run of stale rows in one upload.
    for (int row = 0; row < grid.rows;) {
        if (!grid.staleRows[size_t(row)]) {
            ++row;
            continue;
        }
        int end = row;
        while (end < grid.rows && grid.staleRows[size_t(end)])
            grid.staleRows[size_t(end++)] = 0;
        m_gl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, row, grid.cols, end - row, GL_RGBA, GL_FLOAT,
                             grid.colors.data() + ptrdiff_t(row) * grid.cols);
        row = end;
    }
}

} // namespace zentrova
