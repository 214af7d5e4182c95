#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

// The text of one logical line (a row and the rows that wrap on from it) as search reads it: one
// character per cell (a wide character's right half gives none), in UTF-16 for the regular-expression
// engine. Characters are counted as cells are; UTF-16 offsets only come and go at the matcher.
struct SearchLine {
    std::u16string text;
    // The character offset at which each row of the line begins; the first is 0.
    std::vector<int> lineOffsets { 0 };
    // The UTF-16 offset at which each character begins, then the text's length; empty while every
    // character is one code unit (the common case, which then costs nothing).
    std::vector<int32_t> characterStarts;

    int characterCount() const;
    // Where a character begins in the text; the text's length for characterCount().
    int32_t utf16Offset(int character) const;
    // The character that holds a code unit.
    int characterAt(int32_t utf16Offset) const;
    // How many characters begin before a code unit: the character end of a match ending there.
    int charactersBefore(int32_t utf16Offset) const;
    // The character is one code unit found in `set`.
    bool characterIsOneOf(int character, std::u16string_view set) const;
};

} // namespace zentrova
