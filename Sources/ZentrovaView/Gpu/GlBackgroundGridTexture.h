#pragma once

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

struct BackgroundGrid;

// The background grid in a GL texture of four floats per cell, so that it gives the colours exactly
// as the cell records did. Made, used and destroyed with its context current.
class GlBackgroundGridTexture {
public:
    explicit GlBackgroundGridTexture(QOpenGLFunctions_3_3_Core& gl);
    ~GlBackgroundGridTexture();
    GlBackgroundGridTexture(const GlBackgroundGridTexture&) = delete;
    GlBackgroundGridTexture& operator=(const GlBackgroundGridTexture&) = delete;

    // Takes the grid's stale rows, or all of it when `everything` is set or its size changed, and marks
    // them taken.
    void update(BackgroundGrid& grid, bool everything);
    unsigned id() const { return m_id; }

private:
    QOpenGLFunctions_3_3_Core& m_gl;
    unsigned m_id = 0;
    int m_cols = 0;
    int m_rows = 0;
};

} // namespace zentrova
