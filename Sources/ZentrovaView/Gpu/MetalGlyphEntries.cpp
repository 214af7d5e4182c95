// The glyph caches in front of the atlases: faces at device-pixel size, rasterised glyphs, and the
// glyphs the view paints itself (box drawing, block elements, powerline separators).

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "ZentrovaView/CustomGlyphs/CustomGlyphPainter.h"

#include <algorithm>
#include <cmath>

namespace zentrova {

const MetalTerminalRenderer::ScaledFont& MetalTerminalRenderer::scaledFontFor(const QRawFont& font,
                                                                              std::string_view name, double scale)
{
    const double size = font.pixelSize() * scale;
    if (const auto found = m_scaledFontCache.find(GlyphKeyView { name, size, 0 }); found != m_scaledFontCache.end())
        return found->second;
    QRawFont scaled = font;
    scaled.setPixelSize(size);
    // Family, style, weight and slant stay: the scaled face goes under the same name at its new size.
    return m_scaledFontCache.emplace(GlyphKey { std::string(name), size, 0 }, ScaledFont { scaled, std::string(name) })
        .first->second;
}

std::optional<GlyphEntry> MetalTerminalRenderer::glyphEntry(const ScaledFont& font, uint32_t glyph)
{
    const GlyphKeyView key { font.name, font.font.pixelSize(), uint16_t(glyph) };
    if (const auto found = m_glyphCache.find(key); found != m_glyphCache.end())
        return found->second;
    // Nothing is cached for a failure, so a later frame tries again.
    const std::optional<GlyphBitmap> bitmap = m_rasterizer.rasterize(font.font, uint16_t(glyph));
    if (!bitmap)
        return std::nullopt;
    GlyphAtlas& atlas = bitmap->isColor ? *m_colorAtlas : *m_grayscaleAtlas;
    const std::optional<AtlasRegion> region = placeInAtlas(atlas, bitmap->pixels, bitmap->width, bitmap->height);
    if (!region)
        return std::nullopt;
    const GlyphEntry entry { *region, { double(bitmap->width), double(bitmap->height) }, bitmap->bearing,
                             bitmap->isColor, bitmap->isColor ? GlyphAtlasKind::color : GlyphAtlasKind::grayscale };
    m_glyphCache.emplace(GlyphKey { font.name, key.size, key.glyph }, entry);
    return entry;
}

std::optional<CustomGlyphEntry> MetalTerminalRenderer::customGlyphEntry(uint32_t codePoint, int cellWidthPx,
                                                                        int cellHeightPx, double scale,
                                                                        int baseThicknessPx, bool antiAlias)
{
    const CustomGlyphKey key { codePoint, cellWidthPx, cellHeightPx, baseThicknessPx,
                               std::max(1, int(std::lround(scale))), antiAlias };
    if (const auto found = m_customGlyphCache.find(key); found != m_customGlyphCache.end())
        return found->second;
    if (cellWidthPx <= 0 || cellHeightPx <= 0)
        return std::nullopt;
    // The view's painters draw the glyph white over the whole bitmap (its width covers every column
    // the glyph spans); the shaders tint it.
    CustomGlyphRequest request;
    request.codePoint = codePoint;
    request.cellPx = QSize(cellWidthPx, cellHeightPx);
    request.columnWidth = 1;
    request.devicePixelRatio = std::max(scale, 1e-3);
    request.baseThicknessPx = baseThicknessPx;
    request.antiAliasBlocks = antiAlias;
    const QImage image = renderCustomGlyph(request);
    if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    const std::span<const uint8_t> pixels(image.constBits(), size_t(image.sizeInBytes()));
    const std::optional<AtlasRegion> region = placeInAtlas(*m_grayscaleAtlas, pixels, image.width(), image.height());
    if (!region)
        return std::nullopt;
    const CustomGlyphEntry entry { *region, { double(image.width()), double(image.height()) } };
    m_customGlyphCache.emplace(key, entry);
    return entry;
}

std::optional<AtlasRegion> MetalTerminalRenderer::placeInAtlas(GlyphAtlas& atlas, std::span<const uint8_t> pixels,
                                                               int width, int height)
{
    const int previousSize = atlas.size();
    const std::optional<AtlasRegion> region = atlas.ensureRegion(width, height);
    handleAtlasChange(atlas, previousSize);
    if (!region)
        return std::nullopt;
    atlas.write(*region, pixels, width, height);
    return region;
}

void MetalTerminalRenderer::handleAtlasChange(GlyphAtlas& atlas, int previousSize)
{
    if (atlas.didReset()) {
        // Every region handed out before is gone; rows built this pass may point at them.
        m_glyphCache.clear();
        m_customGlyphCache.clear();
        m_rowCache.clear();
        m_atlasInvalidatedDuringBuild = true;
    } else if (atlas.size() != previousSize) {
        // Regions stay, but texture coordinates were computed from the old side.
        m_rowCache.clear();
        m_atlasInvalidatedDuringBuild = true;
    }
}

} // namespace zentrova
