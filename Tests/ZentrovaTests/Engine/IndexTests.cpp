// Index (IND) and next line (NEL) outside the scroll region: below it they only move the cursor
// down, as a line feed does, and the region keeps its rows.

#include "GoldenScreens.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(Index, GoldenScreens)
{
    // Region rows 2..3 holding "a" and "b"; the cursor then stands on row 4, below it.
    const std::string region = "\x1b[2;3r\x1b[2;1Ha\x1b[3;1Hb\x1b[4;1H";
    const GoldenScreenCase cases[] = {
        { "IND below the region moves down", region + "\x1b" "D", "|a|b", "0,4" },
        { "IND on the last row below the region stays", region + "\x1b" "D\x1b" "D", "|a|b", "0,4" },
        { "NEL below the region moves down", region + "x\x1b" "E", "|a|b|x", "0,4" },
        { "LF below the region moves down", region + "\n\n", "|a|b", "0,4" },
        { "IND at the bottom margin scrolls the region", region + "\x1b[3;1H\x1b" "D", "|b", "0,2" },
        { "IND above the region moves down", "\x1b[3;4r\x1b[1;1H\x1b" "D", "", "0,1" },
        // The 80 x 25 screen of the report: "b" stays on row 5 and "a" on row 4.
        { "IND below a region of a large screen", "\x1b[4;5r\x1b[4;1Ha\x1b[5;1Hb\x1b[6;1H\x1b" "D", "|||a|b",
          "0,6", std::nullopt, 80, 25 },
    };
    expectGoldenScreens(cases, GoldenFeed::wholeAndByteByByte);
}

} // namespace
} // namespace zentrova
