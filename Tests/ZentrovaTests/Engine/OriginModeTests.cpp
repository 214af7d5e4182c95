// Origin mode and the left/right margins: positions count from the margins while origin mode is on,
// switching it homes the cursor, and margins switched off no longer apply anywhere.

#include "GoldenScreens.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(OriginMode, GoldenScreens)
{
    // Margins 5..7 set and then switched off again.
    const std::string staleMargins = "\x1b[?69h\x1b[5;7s\x1b[?69l";
    const GoldenScreenCase cases[] = {
        { "DECOM set homes to the region", "\x1b[2;4r\x1b[5;5H\x1b[?6hX", "|X", "1,1" },
        { "DECOM reset homes to the screen", "\x1b[2;4r\x1b[?6h\x1b[2;3H\x1b[?6lX", "X", "1,0" },
        { "DECOM set with margins homes to their corner", "\x1b[?69h\x1b[3;6s\x1b[2;4r\x1b[?6hX", "|  X", "3,1" },
        { "VPA counts from the top margin", "\x1b[3;5r\x1b[?6h\x1b[1dX", "||X", "1,2" },
        { "VPA stops at the bottom margin", "\x1b[2;3r\x1b[?6h\x1b[9dX", "||X", "1,2" },
        { "HPA counts from the left margin", "\x1b[?69h\x1b[3;6s\x1b[?6h\x1b[2`X", "   X", "4,0" },
        { "HPA without origin mode", "\x1b[?69h\x1b[3;6s\x1b[2`X", " X", "2,0" },
        { "CUP ignores margins switched off", staleMargins + "\x1b[?6h\x1b[1;2HX", " X", "2,0" },
        { "CPR ignores margins switched off", staleMargins + "\x1b[?6h\x1b[1;3H\x1b[6n", "", "2,0", "\x1b[1;3R" },
        { "DECRQSS reports the whole width once margins are off", staleMargins + "\x1bP$qs\x1b\\", "", "0,0",
          "\x1bP1$r1;10s\x1b\\" },
        { "DECRQCRA ignores margins switched off", staleMargins + "\x1b[?6ha\x1b[1;1;1;1;1;1*y", "a", "1,0",
          "\x1bP1!~0061\x1b\\" },
        { "CNL goes to column 1 once margins are off", staleMargins + "\x1b[1;6H\x1b[EX", "|X", "1,1" },
        // NEL returns to the left margin, as a carriage return would.
        { "NEL returns to the left margin", "\x1b[?69h\x1b[3;6s\x1b[1;4H\x1b" "EX", "|  X", "3,1" },
        { "NEL left of the left margin returns to column 1", "\x1b[?69h\x1b[3;6s\x1b[1;2H\x1b" "EX", "|X", "1,1" },
        // DECCRA's target counts from the margins like its source.
        { "DECCRA in origin mode", "\x1b[2;4r\x1b[?6hab\x1b[1;1;1;2;1;3;1;1$v", "|ab||ab", "2,1" },
    };
    expectGoldenScreens(cases, GoldenFeed::wholeAndByteByByte);
}

} // namespace
} // namespace zentrova
