#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zentrova {

// Column widths of Unicode scalars and the small tables the print path uses to decode UTF-8 and to
// handle emoji variation selectors.
class UnicodeUtil {
public:
    // An inclusive range of code points; range tables are sorted and do not overlap.
    struct LH {
        uint32_t lo;
        uint32_t hi;
    };

    UnicodeUtil() = delete;

    // The UTF-8 lead-byte table: the low four bits give the length of the sequence a byte starts;
    // 0xF0 marks an ASCII byte, 0xF1 a byte that cannot start a sequence. The high four bits of the
    // three-byte and four-byte leads tell which of them limit the second byte's range.
    static const std::array<uint8_t, 256> first;

    // The widths of U+0000 to U+1FFF, one table read for the common text.
    static const std::array<int8_t, 0x2000>& lowPlaneWidths();

    // Columns the scalar takes: 0, 1 or 2, or -1 for a control character.
    static int computeColumnWidth(char32_t rune);

    // Whether `rune` lies in a range of table[0...max].
    static bool bisearch(uint32_t rune, std::span<const LH> table, int max);

    // A single scalar above U+00FF that is an emoji but is drawn as text unless asked otherwise.
    // `character` is UTF-8.
    static bool prefersTextPresentation(std::string_view character);
    // The character followed by VS15 (U+FE0E) when it prefers text presentation, else unchanged.
    static std::string textPresentationAdjusted(std::string_view character);
};

} // namespace zentrova
