// A full reset (RIS) starts both screens afresh: the alternate screen does not come back with what
// it showed before.

#include "GoldenScreens.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(FullReset, GoldenScreens)
{
    const GoldenScreenCase cases[] = {
        { "RIS on the alternate screen shows the main one", "main\x1b[?1049h\x1b[2;2Halt\x1b" "c", "", "0,0" },
        { "the alternate screen is blank after RIS", "\x1b[?1049h\x1b[2;2Halt\x1b" "c\x1b[?1049h", "", "0,0" },
        { "the alternate screen is blank after RIS on the main one",
          "\x1b[?1049halt\x1b[?1049l\x1b" "c\x1b[?1049h", "", "0,0" },
        { "the alternate screen forgets its region", "\x1b[?1049h\x1b[2;3r\x1b" "c\x1b[?1049h\x1b[3;1H\n\n", "",
          "0,4" },
    };
    expectGoldenScreens(cases, GoldenFeed::wholeAndByteByByte);
}

} // namespace
} // namespace zentrova
