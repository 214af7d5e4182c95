#include "Zentrova/Graphics/KittyPlaceholder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zentrova::KittyPlaceholder {
namespace {

struct MarkRange {
    char32_t first;
    char32_t last;
};

constexpr MarkRange markRanges[] = {
    { 0x305, 0x305 },     { 0x30D, 0x30E },     { 0x310, 0x310 },     { 0x312, 0x312 },     { 0x33D, 0x33F },
    { 0x346, 0x346 },     { 0x34A, 0x34C },     { 0x350, 0x352 },     { 0x357, 0x357 },     { 0x35B, 0x35B },
    { 0x363, 0x36F },     { 0x483, 0x487 },     { 0x592, 0x595 },     { 0x597, 0x599 },     { 0x59C, 0x5A1 },
    { 0x5A8, 0x5A9 },     { 0x5AB, 0x5AC },     { 0x5AF, 0x5AF },     { 0x5C4, 0x5C4 },     { 0x610, 0x617 },
    { 0x657, 0x65B },     { 0x65D, 0x65E },     { 0x6D6, 0x6DC },     { 0x6DF, 0x6E2 },     { 0x6E4, 0x6E4 },
    { 0x6E7, 0x6E8 },     { 0x6EB, 0x6EC },     { 0x730, 0x730 },     { 0x732, 0x733 },     { 0x735, 0x736 },
    { 0x73A, 0x73A },     { 0x73D, 0x73D },     { 0x73F, 0x741 },     { 0x743, 0x743 },     { 0x745, 0x745 },
    { 0x747, 0x747 },     { 0x749, 0x74A },     { 0x7EB, 0x7F1 },     { 0x7F3, 0x7F3 },     { 0x816, 0x819 },
    { 0x81B, 0x823 },     { 0x825, 0x827 },     { 0x829, 0x82D },     { 0x951, 0x951 },     { 0x953, 0x954 },
    { 0xF82, 0xF83 },     { 0xF86, 0xF87 },     { 0x135D, 0x135F },   { 0x17DD, 0x17DD },   { 0x193A, 0x193A },
    { 0x1A17, 0x1A17 },   { 0x1A75, 0x1A7C },   { 0x1B6B, 0x1B6B },   { 0x1B6D, 0x1B73 },   { 0x1CD0, 0x1CD2 },
    { 0x1CDA, 0x1CDB },   { 0x1CE0, 0x1CE0 },   { 0x1DC0, 0x1DC1 },   { 0x1DC3, 0x1DC9 },   { 0x1DCB, 0x1DCC },
    { 0x1DD1, 0x1DE6 },   { 0x1DFE, 0x1DFE },   { 0x20D0, 0x20D1 },   { 0x20D4, 0x20D7 },   { 0x20DB, 0x20DC },
    { 0x20E1, 0x20E1 },   { 0x20E7, 0x20E7 },   { 0x20E9, 0x20E9 },   { 0x20F0, 0x20F0 },   { 0x2CEF, 0x2CF1 },
    { 0x2DE0, 0x2DFF },   { 0xA66F, 0xA66F },   { 0xA67C, 0xA67D },   { 0xA6F0, 0xA6F1 },   { 0xA8E0, 0xA8F1 },
    { 0xAAB0, 0xAAB0 },   { 0xAAB2, 0xAAB3 },   { 0xAAB7, 0xAAB8 },   { 0xAABE, 0xAABF },   { 0xAAC1, 0xAAC1 },
    { 0xFE20, 0xFE26 },   { 0x10A0F, 0x10A0F }, { 0x10A38, 0x10A38 }, { 0x1D185, 0x1D189 }, { 0x1D1AA, 0x1D1AD },
    { 0x1D242, 0x1D244 },
};

// Built once, on first use; sorted, so a mark's number is found by binary search.
const std::vector<char32_t>& markTable()
{
    static const std::vector<char32_t> table = [] {
        std::vector<char32_t> marks;
        for (const auto& range : markRanges)
            for (char32_t mark = range.first; mark <= range.last; ++mark)
                marks.push_back(mark);
        return marks;
    }();
    return table;
}

// The low 24 bits of an id carried by a colour: a palette index as it stands, a true colour as
// red, green and blue bytes; the default colours carry 0.
uint32_t idFromColor(const Attribute::Color& color)
{
    switch (color.kind) {
    case Attribute::Color::Kind::ansi256:
        return color.code;
    case Attribute::Color::Kind::trueColor:
        return uint32_t(color.red) << 16 | uint32_t(color.green) << 8 | color.blue;
    default:
        return 0;
    }
}

} // namespace

std::span<const char32_t> diacritics()
{
    return markTable();
}

std::optional<int> diacriticIndex(char32_t mark)
{
    const auto& table = markTable();
    const auto found = std::lower_bound(table.begin(), table.end(), mark);
    if (found == table.end() || *found != mark)
        return std::nullopt;
    return int(found - table.begin());
}

std::optional<KittyPlaceholderCell> decode(std::u32string_view character, const Attribute& attribute, int row, int col,
                                           const std::optional<KittyPlaceholderCell>& previous,
                                           const Attribute* previousAttribute)
{
    if (character.empty() || character.front() != placeholderCharacter)
        return std::nullopt;
    std::array<int, 3> marks {};
    size_t markCount = 0;
    for (const char32_t scalar : character.substr(1)) {
        if (markCount == marks.size())
            break;
        if (const auto index = diacriticIndex(scalar))
            marks[markCount++] = *index;
    }

    const bool continuing = previous && previous->row == row && previous->col == col - 1 && previousAttribute
        && previousAttribute->fg == attribute.fg && previousAttribute->underlineColor == attribute.underlineColor;
    KittyPlaceholderCell cell { .row = row, .col = col };
    switch (markCount) {
    case 0:
        if (continuing) {
            cell.placeholderRow = previous->placeholderRow;
            cell.placeholderCol = previous->placeholderCol + 1;
            cell.msb = previous->msb;
        }
        break;
    case 1:
        cell.placeholderRow = marks[0];
        if (continuing && marks[0] == previous->placeholderRow) {
            cell.placeholderCol = previous->placeholderCol + 1;
            cell.msb = previous->msb;
        }
        break;
    case 2:
        cell.placeholderRow = marks[0];
        cell.placeholderCol = marks[1];
        if (continuing && marks[0] == previous->placeholderRow && marks[1] == previous->placeholderCol + 1)
            cell.msb = previous->msb;
        break;
    default:
        cell.placeholderRow = marks[0];
        cell.placeholderCol = marks[1];
        cell.msb = marks[2];
        break;
    }
    cell.imageId = uint32_t(std::min(cell.msb, 255)) << 24 | idFromColor(attribute.fg);
    cell.placementId = attribute.underlineColor ? idFromColor(*attribute.underlineColor) : 0;
    return cell;
}

} // namespace zentrova::KittyPlaceholder
