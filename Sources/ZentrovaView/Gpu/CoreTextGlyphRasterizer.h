#pragma once

#include "ZentrovaView/Gpu/GlyphBitmap.h"

#include <cstdint>
#include <optional>

class QRawFont;

namespace zentrova {

// Draws one glyph of a font, white on transparent, into a bitmap on the processor: 4 bytes per pixel,
// premultiplied, blue-green-red-alpha in memory, rows top-down. Colour glyphs keep their colours and
// are marked `isColor`.
class CoreTextGlyphRasterizer {
public:
    // The view's font-smoothing setting, copied in by the renderer every frame. Off means no subpixel
    // anti-aliasing; Qt's raster engine draws glyphs into translucent images with plain coverage
    // either way, so on this platform both settings give the same bitmaps.
    bool fontSmoothing = true;

    // Nothing for a glyph without ink (a space) or a bitmap that cannot be made.
    std::optional<GlyphBitmap> rasterize(const QRawFont& font, uint16_t glyph) const;
};

} // namespace zentrova
