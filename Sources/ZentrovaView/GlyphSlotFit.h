#pragma once

#include <QRawFont>
#include <QSizeF>

#include <optional>

namespace zentrova {

// The shift and scale that fit one glyph into its slot of one or more cells. The glyph is drawn at
// (dx, dy) from its place on the row's baseline, scaled by `scale` about its origin; dy grows downwards.
struct GlyphSlotFit {
    double dx = 0;
    double dy = 0;
    double scale = 1;

    bool operator==(const GlyphSlotFit&) const = default;

    // A glyph that fits (or has no ink) is centred across the slot unscaled; one that overflows is
    // scaled down (to no less than a tenth) and centred both ways, the baseline lying
    // ceil(`baselineOffset`) above the cell's bottom (the normal font's descent and leading). A colour
    // glyph (an emoji's picture) is scaled up or down to fill the slot's height, or its width where
    // that is the narrower fit, and centred the same way. A slot of one column, an unknown cell size or
    // a glyph without advance leave the glyph as it is.
    static GlyphSlotFit fit(const QRawFont& font, quint32 glyph, int columnWidth, std::optional<QSizeF> cellSize,
                            double baselineOffset);
    // Whether the face draws its glyphs as colour pictures (bitmap or layered colour tables).
    // Remembered per face.
    static bool isColorFont(const QRawFont& font);
};

} // namespace zentrova
