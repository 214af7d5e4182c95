#pragma once

#include <QFont>

#include <cstdint>

namespace zentrova {

// Which face of the font set a cell is drawn in: its bold and italic bits.
enum class FontVariant : uint8_t { normal, bold, italic, boldItalic };

inline constexpr FontVariant fontVariant(bool bold, bool italic)
{
    return italic ? (bold ? FontVariant::boldItalic : FontVariant::italic) : (bold ? FontVariant::bold : FontVariant::normal);
}

// The four faces of the terminal font: the font as given, then with bold, italic and both set; Qt's
// font matching picks the real face (or a synthesised one) from the family.
struct FontSet {
    QFont normal;
    QFont bold;
    QFont italic;
    QFont boldItalic;

    explicit FontSet(const QFont& font);

    const QFont& font(FontVariant variant) const;
};

} // namespace zentrova
