#pragma once

#include "Zentrova/Graphics/KittyPlaceholderCell.h"
#include "Zentrova/Screen/Attribute.h"

#include <optional>
#include <span>
#include <string_view>

namespace zentrova::KittyPlaceholder {

// The character that marks a placeholder cell.
inline constexpr char32_t placeholderCharacter = 0x10EEEE;

// The combining marks that number a placeholder's row, column and image-id high byte, in ascending
// order: a mark's number is its position here (U+0305 is 0, U+1D244 is 296).
std::span<const char32_t> diacritics();
// A mark's number, or nothing for a mark that numbers nothing.
std::optional<int> diacriticIndex(char32_t mark);

// Decodes one cell of a row. `previous` is the decoded cell to its left in the same pass and
// `previousAttribute` that cell's attribute, when that cell was a placeholder: a cell may leave out
// the marks its left neighbour implies. Nothing when the cell is not a placeholder.
std::optional<KittyPlaceholderCell> decode(std::u32string_view character, const Attribute& attribute, int row, int col,
                                           const std::optional<KittyPlaceholderCell>& previous,
                                           const Attribute* previousAttribute);

} // namespace zentrova::KittyPlaceholder
