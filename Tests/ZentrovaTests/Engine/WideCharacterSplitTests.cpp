// Writing or editing over one half of a wide character blanks its other half, so a row never holds
// half a character.

#include "GoldenScreens.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(WideCharacterSplit, GoldenScreens)
{
    // "a", a wide character in columns 1 and 2, "b".
    const std::string row = "a\u6f22b";
    const GoldenScreenCase cases[] = {
        { "a character over the right half", row + "\x1b[1;3Hx", "a xb", "3,0" },
        { "a character over the left half", row + "\x1b[1;2Hx", "ax b", "2,0" },
        { "a character in the general path over the right half", row + "\x1b[1;3H\u00e9", "a \u00e9b", "3,0" },
        { "a wide character over two halves", "\u6f22\u5b57ab\x1b[1;2H\u5b57", " \u5b57 ab", "3,0" },
        { "a wide character over its own kind", row + "\x1b[1;2H\u5b57", "a\u5b57b", "3,0" },
        { "insert mode at the right half", row + "\x1b[4h\x1b[1;3Hx", "a x b", "3,0" },
        { "ICH inside", row + "\x1b[1;3H\x1b[@", "a   b", "2,0" },
        { "ICH pushing a wide character past the edge", "abcdefgh\u6f22\x1b[1;1H\x1b[@", " abcdefgh", "0,0" },
        { "DCH of the right half", row + "\x1b[1;3H\x1b[P", "a b", "2,0" },
        { "DCH of the left half", row + "\x1b[1;2H\x1b[P", "a b", "1,0" },
        { "DCH pulling a wide character in whole", row + "\x1b[1;1H\x1b[P", "\u6f22b", "0,0" },
        { "ECH of the right half", row + "\x1b[1;3H\x1b[X", "a  b", "2,0" },
        { "EL from the right half", row + "\x1b[1;3H\x1b[K", "a", "2,0" },
    };
    expectGoldenScreens(cases, GoldenFeed::wholeAndByteByByte);
}

} // namespace
} // namespace zentrova
