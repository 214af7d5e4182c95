#include "ZentrovaView/FontSet.h"

namespace zentrova {
namespace {

QFont withTraits(QFont font, bool bold, bool italic)
{
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

FontSet::FontSet(const QFont& font)
    : normal(font)
    , bold(withTraits(font, true, false))
    , italic(withTraits(font, false, true))
    , boldItalic(withTraits(font, true, true))
{
}

const QFont& FontSet::font(FontVariant variant) const
{
    switch (variant) {
    case FontVariant::bold:
        return bold;
    case FontVariant::italic:
        return italic;
    case FontVariant::boldItalic:
        return boldItalic;
    case FontVariant::normal:
        break;
    }
    return normal;
}

} // namespace zentrova
