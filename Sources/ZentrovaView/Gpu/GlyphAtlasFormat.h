#pragma once

#include <cstdint>

namespace zentrova {

// The pixel layout of an atlas: coverage only, or colour glyphs in blue-green-red-alpha bytes.
enum class GlyphAtlasFormat : uint8_t { grayscale, bgra };

// Which atlas a cached glyph lives in.
enum class GlyphAtlasKind : uint8_t { grayscale, color };

// The format's name in log lines.
constexpr const char* glyphAtlasFormatName(GlyphAtlasFormat format)
{
    return format == GlyphAtlasFormat::grayscale ? "grayscale" : "bgra";
}

constexpr int bytesPerPixel(GlyphAtlasFormat format)
{
    return format == GlyphAtlasFormat::grayscale ? 1 : 4;
}

} // namespace zentrova
