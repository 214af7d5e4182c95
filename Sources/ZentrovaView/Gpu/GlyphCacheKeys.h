#pragma once

#include "ZentrovaView/Gpu/AtlasRegion.h"
#include "ZentrovaView/Gpu/GlyphAtlasFormat.h"
#include "ZentrovaView/Gpu/GpuGeometry.h"
#include "ZentrovaView/Gpu/GpuHash.h"

#include <cstdint>
#include <string>

namespace zentrova {

// One glyph of one font at the size it is drawn at: keys the glyph cache and the scaled fonts.
struct GlyphKey {
    std::string fontName;
    double size = 0;
    uint16_t glyph = 0;
    bool operator==(const GlyphKey&) const = default;
};

// Where a cached glyph lives and how it sits on its origin.
struct GlyphEntry {
    AtlasRegion region;
    GpuSize size;
    GpuPoint bearing;
    bool isColor = false;
    GlyphAtlasKind atlasKind = GlyphAtlasKind::grayscale;
    bool operator==(const GlyphEntry&) const = default;
};

// A block-element, box-drawing or powerline glyph drawn by the built-in painters at one cell size.
struct CustomGlyphKey {
    uint32_t codePoint = 0;
    int cellWidthPx = 0;
    int cellHeightPx = 0;
    int baseThicknessPx = 0;
    int scale = 0;
    bool antiAlias = false;
    bool operator==(const CustomGlyphKey&) const = default;
};

struct CustomGlyphEntry {
    AtlasRegion region;
    GpuSize size;
    bool operator==(const CustomGlyphEntry&) const = default;
};

} // namespace zentrova

template <>
struct std::hash<zentrova::AtlasRegion> {
    size_t operator()(const zentrova::AtlasRegion& r) const
    {
        return zentrova::hashFields(r.x, r.y, r.width, r.height);
    }
};

template <>
struct std::hash<zentrova::GlyphKey> {
    size_t operator()(const zentrova::GlyphKey& key) const
    {
        return zentrova::hashFields(key.fontName, key.size, key.glyph);
    }
};

template <>
struct std::hash<zentrova::GlyphEntry> {
    size_t operator()(const zentrova::GlyphEntry& entry) const
    {
        return zentrova::hashFields(entry.region, entry.size.width, entry.size.height, entry.bearing.x, entry.bearing.y,
                                    entry.isColor, entry.atlasKind);
    }
};

template <>
struct std::hash<zentrova::CustomGlyphKey> {
    size_t operator()(const zentrova::CustomGlyphKey& key) const
    {
        return zentrova::hashFields(key.codePoint, key.cellWidthPx, key.cellHeightPx, key.baseThicknessPx, key.scale,
                                    key.antiAlias);
    }
};

template <>
struct std::hash<zentrova::CustomGlyphEntry> {
    size_t operator()(const zentrova::CustomGlyphEntry& entry) const
    {
        return zentrova::hashFields(entry.region, entry.size.width, entry.size.height);
    }
};
