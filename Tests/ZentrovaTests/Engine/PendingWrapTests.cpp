// A character written in the last column leaves the cursor waiting to wrap. The wrap happens only if
// another character follows: a report reads the last column, and a cursor movement ends the wait
// and starts from the last column.

#include "GoldenScreens.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(PendingWrap, GoldenScreens)
{
    const std::string fullRow = "aaaaaaaaaa";
    const GoldenScreenCase cases[] = {
        { "CPR reads the last column", "\x1b[1;9Hab\x1b[6n", "        ab", "10,0", "\x1b[1;10R" },
        { "CPR without auto-wrap", "\x1b[?7l\x1b[1;9Hab\x1b[6n", "        ab", "10,0", "\x1b[1;10R" },
        { "DECXCPR reads the last column", "\x1b[1;9Hab\x1b[?6n", "        ab", "10,0", "\x1b[?1;10;1R" },
        // The movement ends the wait: the next character lands in the cell the cursor moved to.
        { "CUU then a character", "\x1b[2;1H" + fullRow + "\x1b[AX", "         X|" + fullRow, "10,0" },
        { "CUD then a character", fullRow + "\x1b[BX", fullRow + "|         X", "10,1" },
        { "CUB 1 lands before the last column", fullRow + "\x1b[DX", "aaaaaaaaXa", "9,0" },
        { "CUF stays in the last column", fullRow + "\x1b[CX", "aaaaaaaaaX", "10,0" },
        { "VPA then a character", fullRow + "\x1b[3dX", fullRow + "||         X", "10,2" },
        { "VPR then a character", fullRow + "\x1b[eX", fullRow + "|         X", "10,1" },
        { "CBT from the last column", fullRow + "\x1b[ZX", "aaaaaaaaXa", "9,0" },
        // Editing acts on the last column.
        { "ECH erases the last column", fullRow + "\x1b[X", "aaaaaaaaa", "9,0" },
        { "DCH deletes the last column", "abcdefghij\x1b[P", "abcdefghi", "9,0" },
        { "ICH inserts at the last column", "abcdefghij\x1b[@", "abcdefghi", "9,0" },
        // A tab has nowhere to go: the next character still wraps.
        { "HT keeps the wrap", "abcdefghij\tX", "abcdefghij|X", "1,1" },
    };
    expectGoldenScreens(cases, GoldenFeed::wholeAndByteByByte);
}

// Erasing ends the wait like a cursor movement does, and so does a forward index; without
// wraparound the cursor stays on a right margin inside the screen; a next line from right of the
// right margin moves down only inside the margins.
TEST(PendingWrap, EditingAndIndexAtTheRightEdge)
{
    const std::string margins = "\x1b[?69h\x1b[1;5s"; // columns 1 to 5
    const GoldenScreenCase cases[] = {
        { "EL erases the last column", "abcdefghij\x1b[KZ", "abcdefghiZ", "10,0" },
        { "EL 2 erases the row", "abcdefghij\x1b[2KZ", "         Z", "10,0" },
        { "ED erases the last column", "abcdefghij\x1b[JZ", "abcdefghiZ", "10,0" },
        { "ED 1 erases up to the last column", "abcdefghij\x1b[1JZ", "         Z", "10,0" },
        { "DECFI scrolls the columns", "abcdefghij\x1b" "9Z", "bcdefghijZ", "10,0" },
        { "no wraparound, margins 5 to 9: CUB from the margin",
          "\x1b[?7l\x1b[?69h\x1b[5;9s\x1b[1;5Habcdefg\x1b[DX", "    abcXg", "8,0" },
        { "no wraparound, margins 5 to 9: the cursor on the margin",
          "\x1b[?7l\x1b[?69h\x1b[5;9s\x1b[1;5Habcdefg\x1b[6n", "    abcdg", "8,0", "\x1b[1;9R" },
        { "NEL right of the margins on the bottom margin", "top" + margins + "\x1b[5;8H\x1b" "EZ", "top||||Z",
          "1,4" },
        { "NEL inside the margins on the bottom margin scrolls them", "top" + margins + "\x1b[5;3H\x1b" "EZ", "||||Z",
          "1,4" },
    };
    expectGoldenScreens(cases, GoldenFeed::wholeAndByteByByte);
}

} // namespace
} // namespace zentrova
