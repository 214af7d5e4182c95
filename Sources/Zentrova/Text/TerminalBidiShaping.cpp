// Arabic shaping: the typesetter only ever sees one stand-in unit per cell, never the letters, so the
// contextual form of each joining letter (isolated, final, initial, medial) and the lam-alef
// ligatures are chosen here and handed back as a replacement glyph per cell.

#include "Zentrova/Text/TerminalBidi.h"

#include <unicode/uchar.h>

namespace zentrova {
namespace {

using Joining = TerminalBidi::Joining;

constexpr char32_t zeroWidthNonJoiner = 0x200C;

char32_t scalarOf(const TerminalBidi::Cell& cell)
{
    return cell.text.empty() ? U' ' : cell.text.front();
}

// How a cell takes part in joining: a non-joiner and any scalar that is neither listed nor a mark or
// format character end every scan as `none`; unlisted marks and format characters are skipped over.
Joining joiningOf(const TerminalBidi::Cell& cell)
{
    const char32_t scalar = scalarOf(cell);
    if (scalar == zeroWidthNonJoiner)
        return Joining::none;
    if (const auto type = TerminalBidi::joiningType(scalar))
        return *type;
    switch (u_charType(UChar32(scalar))) {
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_FORMAT_CHAR:
        return Joining::transparent;
    default:
        return Joining::none;
    }
}

// The form followed by the marks the cells carry after their first scalar.
std::u32string withMarks(char32_t form, std::span<const TerminalBidi::Cell> cells)
{
    std::u32string text(1, form);
    for (const TerminalBidi::Cell& cell : cells)
        if (cell.text.size() > 1)
            text.append(cell.text, 1);
    return text;
}

bool joinsPrevious(std::span<const TerminalBidi::Cell> cells, size_t index)
{
    while (index-- > 0) {
        switch (joiningOf(cells[index])) {
        case Joining::transparent:
            continue;
        case Joining::dual:
        case Joining::left:
        case Joining::causing:
            return true;
        default:
            return false;
        }
    }
    return false;
}

std::optional<Joining> nextJoining(std::span<const TerminalBidi::Cell> cells, size_t index)
{
    for (size_t next = index + 1; next < cells.size(); next++) {
        const Joining type = joiningOf(cells[next]);
        if (type != Joining::transparent)
            return type;
    }
    return std::nullopt;
}

char32_t contextualForm(const TerminalBidi::ArabicForms& forms, Joining type, bool previous, bool next)
{
    if (type == Joining::right)
        return previous ? forms.final : forms.isolated;
    if (previous && next)
        return forms.medial ? forms.medial : forms.final;
    if (previous)
        return forms.final;
    if (next)
        return forms.initial ? forms.initial : forms.isolated;
    return forms.isolated;
}

} // namespace

std::vector<std::optional<std::u32string>> TerminalBidi::shapeArabic(std::span<const Cell> cells)
{
    std::vector<std::optional<std::u32string>> shaped(cells.size());
    for (size_t i = 0; i < cells.size();) {
        const Cell& cell = cells[i];
        const char32_t scalar = scalarOf(cell);
        const Joining type = joiningOf(cell);
        const ArabicForms* letterForms = forms(scalar);
        if (type == Joining::none) {
            // Letters that never join (hamza) still take their isolated presentation form.
            if (letterForms)
                shaped[i] = withMarks(letterForms->isolated, cells.subspan(i, 1));
            i++;
            continue;
        }
        if (type != Joining::right && type != Joining::dual) {
            i++;
            continue;
        }
        const bool previous = joinsPrevious(cells, i);
        if (scalar == 0x0644 && i + 1 < cells.size()) {
            if (const LamAlef* ligature = lamAlef(scalarOf(cells[i + 1]))) {
                shaped[i] = withMarks(previous ? ligature->final : ligature->isolated, cells.subspan(i, 2));
                // The alef's column stays, blank: the ligature covers both letters.
                shaped[i + 1].emplace(1, U' ');
                i += 2;
                continue;
            }
        }
        if (letterForms) {
            const auto following = nextJoining(cells, i);
            const bool next = type == Joining::dual && following
                && (*following == Joining::causing || *following == Joining::right || *following == Joining::dual);
            shaped[i] = withMarks(contextualForm(*letterForms, type, previous, next), cells.subspan(i, 1));
        }
        i++;
    }
    return shaped;
}

} // namespace zentrova
