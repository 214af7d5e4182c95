#pragma once

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

// A new 2D texture, bound, without mipmaps, sampled linearly and clamped at its edges: how the
// renderer samples both its atlases and its images. 0 when GL gives none.
unsigned makeLinearClampedTexture(QOpenGLFunctions_3_3_Core& gl);

} // namespace zentrova
