#pragma once

#include "ZentrovaView/Gpu/GlyphCacheKeys.h"

#include <string_view>

namespace zentrova {

// A glyph key that borrows its font name, so that looking a glyph up costs no allocation.
struct GlyphKeyView {
    std::string_view fontName;
    double size = 0;
    uint16_t glyph = 0;
};

// Hashes and compares keys and borrowed keys alike (a name hashes as a string and as a view alike).
struct GlyphKeyHash {
    using is_transparent = void;
    size_t operator()(const GlyphKey& key) const { return std::hash<GlyphKey> {}(key); }
    size_t operator()(const GlyphKeyView& key) const { return hashFields(key.fontName, key.size, key.glyph); }
};

struct GlyphKeyEqual {
    using is_transparent = void;
    static GlyphKeyView view(const GlyphKey& key) { return { key.fontName, key.size, key.glyph }; }
    static GlyphKeyView view(const GlyphKeyView& key) { return key; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const
    {
        const GlyphKeyView x = view(a);
        const GlyphKeyView y = view(b);
        return x.glyph == y.glyph && x.size == y.size && x.fontName == y.fontName;
    }
};

} // namespace zentrova
