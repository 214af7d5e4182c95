#include "Zentrova/Screen/UnicodeUtil.h"

#include "Zentrova/Screen/UnicodeWidthData.h"
#include "Zentrova/Screen/Utf8.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <optional>

namespace zentrova {
namespace {

constexpr std::array<uint8_t, 256> makeLeadByteTable()
{
    std::array<uint8_t, 256> table {};
    for (int b = 0; b < 256; b++) {
        if (b < 0x80)
            table[b] = 0xF0;
        else if (b < 0xC2 || b > 0xF4)
            table[b] = 0xF1;
        else if (b < 0xE0)
            table[b] = 0x02;
        else if (b < 0xF0)
            table[b] = 0x03;
        else
            table[b] = 0x04;
    }
    table[0xE0] = 0x13;
    table[0xED] = 0x23;
    table[0xF0] = 0x34;
    table[0xF4] = 0x44;
    return table;
}

int widthByRules(char32_t rune)
{
    if (rune == 0)
        return 0;
    if (rune < 32 || (rune >= 127 && rune < 160))
        return -1;
    if (rune < 127)
        return 1;
    switch (u_charType(UChar32(rune))) {
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
        return 0;
    case U_FORMAT_CHAR:
        return rune == 0xAD ? 1 : 0;
    case U_MODIFIER_SYMBOL:
        if (rune == 0xFF3E || rune == 0xFF40 || rune == 0xFFE3)
            return 2;
        if (rune >= 0x1F3FB && rune <= 0x1F3FF) // skin-tone modifiers join the emoji before them
            return 0;
        break;
    default:
        break;
    }
    if ((rune >= 0x1160 && rune <= 0x11FF) || (rune >= 0xD7B0 && rune <= 0xD7FF)) // Hangul vowels, finals
        return 0;
    if (rune >= 0x1F1E6 && rune <= 0x1F1FF) // regional indicators
        return 2;
    const auto& wide = UnicodeWidthData::eastAsianWide;
    return UnicodeUtil::bisearch(rune, wide, int(wide.size()) - 1) ? 2 : 1;
}

// The scalar of a character made of exactly one scalar.
std::optional<UChar32> singleScalar(std::string_view character)
{
    int32_t offset = 0;
    auto length = int32_t(character.size());
    if (length == 0)
        return std::nullopt;
    UChar32 scalar;
    U8_NEXT(character.data(), offset, length, scalar);
    if (scalar < 0 || offset != length)
        return std::nullopt;
    return scalar;
}

} // namespace

const std::array<uint8_t, 256> UnicodeUtil::first = makeLeadByteTable();

const std::array<int8_t, 0x2000>& UnicodeUtil::lowPlaneWidths()
{
    static const auto table = [] {
        std::array<int8_t, 0x2000> widths {};
        for (char32_t rune = 0; rune < widths.size(); rune++)
            widths[rune] = int8_t(widthByRules(rune));
        return widths;
    }();
    return table;
}

int UnicodeUtil::computeColumnWidth(char32_t rune)
{
    if (rune < 0x2000)
        return lowPlaneWidths()[rune];
    return widthByRules(rune);
}

bool UnicodeUtil::bisearch(uint32_t rune, std::span<const LH> table, int max)
{
    if (rune < table[0].lo || rune > table[size_t(max)].hi)
        return false;
    int lo = 0, hi = max;
    while (hi >= lo) {
        int mid = (lo + hi) / 2;
        if (table[size_t(mid)].hi < rune)
            lo = mid + 1;
        else if (rune >= table[size_t(mid)].lo)
            return true;
        else
            hi = mid - 1;
    }
    return false;
}

bool UnicodeUtil::prefersTextPresentation(std::string_view character)
{
    auto scalar = singleScalar(character);
    return scalar && *scalar > 0xFF && u_hasBinaryProperty(*scalar, UCHAR_EMOJI)
        && !u_hasBinaryProperty(*scalar, UCHAR_EMOJI_PRESENTATION);
}

std::string UnicodeUtil::textPresentationAdjusted(std::string_view character)
{
    std::string result(character);
    if (prefersTextPresentation(character))
        appendUtf8(result, U'\uFE0E');
    return result;
}

} // namespace zentrova
