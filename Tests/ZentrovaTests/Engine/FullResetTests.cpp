// A full reset (RIS) starts both screens afresh: the alternate screen does not come back with what
// it showed before.

#include "GoldenScreens.h"
#include "RecordingTerminalDelegate.h"

#include "Zentrova/Engine/Terminal.h"

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

// What a full reset puts back besides the screens, and the row change counter that caches of a
// row's drawing are keyed on, fed whole and one byte at a time.
TEST(FullReset, ConformanceLevelAndRowSizeChanges)
{
    using Conformance = Terminal::TerminalConformance;
    const struct {
        const char* name;
        std::string script;
        Conformance conformance;
        bool eightBit;
    } levels[] = {
        { "DECSCL 61", "\x1b[61\"p", Conformance::vt100, false },
        { "DECSCL 61 then RIS", "\x1b[61\"p\x1b" "c", Conformance::vt500, false },
        { "DECSCL 63 with 8-bit replies then RIS", "\x1b[63;0\"p\x1b" "c", Conformance::vt500, false },
    };
    for (const auto& level : levels) {
        for (bool byteByByte : { false, true }) {
            SCOPED_TRACE(std::string(level.name) + (byteByByte ? " (byte by byte)" : ""));
            RecordingTerminalDelegate delegate;
            Terminal terminal(&delegate, tenByFiveScreen());
            feedWholeOrByteByByte(terminal, level.script, byteByByte);
            EXPECT_EQ(terminal.conformance, level.conformance);
            EXPECT_EQ(terminal.cc.send8bit, level.eightBit);
        }
    }

    using Mode = BufferLine::RenderLineMode;
    const struct {
        const char* sequence;
        Mode mode;
    } sizes[] = {
        { "\x1b#6", Mode::doubleWidth },
        { "\x1b#3", Mode::doubledTop },
        { "\x1b#4", Mode::doubledDown },
        { "\x1b#5", Mode::single },
    };
    for (bool byteByByte : { false, true }) {
        RecordingTerminalDelegate delegate;
        Terminal terminal(&delegate, tenByFiveScreen());
        terminal.feed("row");
        const BufferLine& row = terminal.buffer().line(0);
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::string(size.sequence + 1) + (byteByByte ? " (byte by byte)" : ""));
            const uint64_t before = row.generation();
            feedWholeOrByteByByte(terminal, size.sequence, byteByByte);
            EXPECT_EQ(row.renderMode(), size.mode);
            EXPECT_GT(row.generation(), before) << "a cache keyed on the counter would keep the old drawing";
        }
    }
}

} // namespace
} // namespace zentrova
