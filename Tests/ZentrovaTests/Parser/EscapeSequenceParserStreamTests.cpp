// Byte streams and the exact calls the parser makes for them. Every stream is also fed cut at each
// byte boundary and one byte at a time, and must give the same calls.
//
// Literals are split after a \x escape ("\x1b" "7") where the next character is a hex digit.

#include "ParserStreamCheck.h"

#include <gtest/gtest.h>

#include <random>

namespace zentrova {
namespace {

TEST(EscapeSequenceParserStream, TextAndControlBytes)
{
    expectLogsForEverySplit({
        { "text and C0 controls", "ab\r\ncd\t", { "print ab", "exec 0d", "exec 0a", "print cd", "exec 09" } },
        { "UTF-8, DEL and C1 bytes are text in ground", "\xe4\xb8\xad\xc5\x91\x9b\x85\x7fx",
          { R"(print \xe4\xb8\xad\xc5\x91\x9b\x85\x7fx)" } },
        // EM is the one C0 byte without a meaning in ground: reported, never printed.
        { "EM between text", "a\x19z", { "print a", "error ground 19", "print z" } },
        { "BEL", "\x07", { "exec 07" } },
        { "CAN and SUB in ground are dropped", "a\x18z\x1a", { "print az" } },
    });
}

TEST(EscapeSequenceParserStream, CsiParametersAndSubParameters)
{
    expectLogsForEverySplit({
        { "no parameters reads as one 0", "\x1b[m", { "csi [0]m" } },
        { "parameters", "\x1b[1;31m", { "csi [1;31]m" } },
        { "colons open sub-parameters", "\x1b[38:2:255:0:0m", { "csi [38:2:255:0:0]m" } },
        { "mixed separators", "\x1b[4:3;38;5;9m", { "csi [4:3;38;5;9]m" } },
        { "omitted parameters are 0", "\x1b[;5H\x1b[5;H", { "csi [0;5]H", "csi [5;0]H" } },
        { "values saturate at 65535", "\x1b[99999999A\x1b[65535B\x1b[65536C",
          { "csi [65535]A", "csi [65535]B", "csi [65535]C" } },
        { "C0 inside a CSI is executed in place", "\x1b[1\n2m", { "exec 0a", "csi [12]m" } },
        { "DEL inside a CSI is ignored", "\x1b[1\x7f" "2m", { "csi [12]m" } },
        { "a colon first is an error", "\x1b[:1m", { "error csiEntry 3a", "print 1m" } },
        { "a private marker after a digit ignores the sequence", "\x1b[1?mz", { "print z" } },
        { "a byte of 0xA0 or above ends the sequence", "\x1b[1\xe4z", { "error csiParam e4", "print z" } },
        { "but is ignored in an ignored sequence", "\x1b[1?\xe4mz", { "print z" } },
    });
}

// Long parameter lists followed by enough text that, fed whole, they are read a word at a time;
// cut, their pieces go byte by byte.
TEST(EscapeSequenceParserStream, LongParameterLists)
{
    const std::string text(80, 'x');
    std::string many = "\x1b[";
    std::string manyLogged = "csi [";
    for (int k = 0; k < 23; ++k) {
        many += std::to_string(1000 + 7 * k) + (k % 3 == 0 ? ":" : ";");
        manyLogged += std::to_string(1000 + 7 * k) + (k % 3 == 0 ? ":" : ";");
    }
    std::string tooMany = "\x1b[";
    for (int k = 0; k < 30; ++k)
        tooMany += "12;";
    expectLogsForEverySplit({
        { "true colour in both forms", "\x1b[38;2;255;128;0;48:2::1:22:333m" + text,
          { "csi [38;2;255;128;0;48:2:0:1:22:333]m", "print " + text } },
        { "numbers longer than a word", "\x1b[000000000012;123456789;0065535;00065536;;H" + text,
          { "csi [12;65535;65535;65535;0;0]H", "print " + text } },
        { "24 parameters over more than 64 bytes", many + "9m" + text, { manyLogged + "9]m", "print " + text } },
        { "25 parameters drop the sequence", tooMany + "m" + text, { "print " + text } },
        { "a private marker after many parameters", "\x1b[1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19;20?m" + text,
          { "print " + text } },
        { "a byte of 0xBC right after digits", "\x1b[1;2;3;4;5;6;7;8;12\xbc" + text, { "error csiParam bc", "print " + text } },
    });
}

TEST(EscapeSequenceParserStream, PrivateMarkersAndIntermediates)
{
    expectLogsForEverySplit({
        { "private marker", "\x1b[?25h", { "csi ?[25]h" } },
        { "private marker then parameters", "\x1b[>4;1m", { "csi >[4;1]m" } },
        { "marker and intermediate", "\x1b[?1$p", { "csi ?$[1]p" } },
        { "intermediate without parameters", "\x1b[!p", { "csi ![0]p" } },
        { "two intermediates", "\x1b[1$ p", { "csi $ [1]p" } },
        { "a digit after an intermediate ignores the sequence", "\x1b[1$0pz", { "print z" } },
        { "ESC final", "\x1b" "7\x1b" "c", { "esc 7", "esc c" } },
        { "ESC with an intermediate", "\x1b(0\x1b#8\x1b F", { "esc (0", "esc #8", "esc  F" } },
        { "ESC with two intermediates", "\x1b((B", { "esc ((B" } },
        { "DEL and C0 inside an ESC sequence", "\x1b\x7f\n7", { "exec 0a", "esc 7" } },
    });
}

TEST(EscapeSequenceParserStream, CanAndSubAbort)
{
    expectLogsForEverySplit({
        { "SUB cancels a CSI", "\x1b[1;2\x1am", { "print m" } },
        { "SUB cancels an ESC sequence", "\x1b(\x1a" "0", { "print 0" } },
        // CAN is one of the executed C0 bytes, so inside ESC and CSI it is executed in place (doing
        // nothing) and the sequence goes on.
        { "CAN inside a CSI", "\x1b[1\x18m", { "csi [1]m" } },
        { "CAN discards an OSC", "\x1b]0;abc\x18z", { "print z" } },
        { "SUB discards an OSC", "\x1b]0;abc\x1az", { "print z" } },
        { "CAN discards an APC", "\x1b_Gabc\x18z", { "print z" } },
        { "SUB abandons a DCS", "\x1bPqab\x1az", { "dcs sixel hook [0]q", "dcs sixel dropped ab", "print z" } },
        { "CAN is DCS payload", "\x1bPq#\x18~\x1b\\",
          { "dcs sixel hook [0]q", R"(dcs sixel unhook #\x18~)", "esc \\" } },
        { "SUB ends SOS", "\x1bXab\x1az", { "print z" } },
    });
}

TEST(EscapeSequenceParserStream, EightBitControlsInsideSequences)
{
    expectLogsForEverySplit({
        { "CSI restarts a CSI", "\x1b[1\x9b" "2m", { "csi [2]m" } },
        { "CSI after ESC", "\x1b\x9b" "1m", { "csi [1]m" } },
        { "IND is executed", "\x1b[\x84", { "exec 84" } },
        { "OSC introducer", "\x1b[\x9d" "0;t\x07", { "osc 0 t" } },
        { "APC introducer", "\x1b[\x9fGab\x07", { "kitty ab" } },
        { "DCS introducer and ST", "\x1b[\x90q#\x9c", { "dcs sixel hook [0]q", "dcs sixel unhook #" } },
        { "SOS introducer and ST", "\x1b[\x98junk\x9cz", { "print z" } },
        { "PM", "\x1b^pm\x9cz", { "print z" } },
        { "ST alone", "\x1b[1\x9cz", { "print z" } },
    });
}

TEST(EscapeSequenceParserStream, OscStrings)
{
    expectLogsForEverySplit({
        { "ended by BEL", "\x1b]0;title\x07", { "osc 0 title" } },
        { "ended by ESC \\", "\x1b]0;title\x1b\\", { "osc 0 title", "esc \\" } },
        { "ESC ends the string and starts the next sequence", "\x1b]2;t\x1b[1m", { "osc 2 t", "csi [1]m" } },
        { "no data", "\x1b]7\x07", { "osc 7 " } },
        { "only the first ; separates", "\x1b]8;id=1;http://x\x07", { "osc 8 id=1;http://x" } },
        { "empty string", "\x1b]\x07z", { "print z" } },
        { "code not decimal", "\x1b]x;y\x07z", { "print z" } },
        { "code beyond 64 bits", "\x1b]99999999999999999999;y\x07", {} },
        // UTF-8 continuation bytes 0x80 to 0x9F are content even where a read boundary puts them
        // first in a call, so neither they nor 0x9C end or abandon the string.
        { "UTF-8 with C1-valued continuation bytes", "\x1b]2;\xc5\x91\xc5\x9c\xe2\x80\x9d\x07",
          { R"(osc 2 \xc5\x91\xc5\x9c\xe2\x80\x9d)" } },
        { "0x9C is content, not a terminator", "\x1b]0;t\x9c\x07", { R"(osc 0 t\x9c)" } },
        { "C0 controls inside are skipped", "\x1b]0;a\nb\x19" "c\x7f\x07", { R"(osc 0 abc\x7f)" } },
    });
}

TEST(EscapeSequenceParserStream, ApcAndSosPmStrings)
{
    expectLogsForEverySplit({
        { "kitty graphics, ended by ESC \\", "\x1b_Gf=100;QUJD\x1b\\", { "kitty f=100;QUJD", "esc \\" } },
        { "kitty graphics, ended by BEL", "\x1b_Ga=d\x07", { "kitty a=d" } },
        { "kitty graphics without payload", "\x1b_G\x07", { "kitty " } },
        // Decided at the first byte: any other command is skipped as it arrives, its payload never kept.
        { "other APC commands", "\x1b_Hxyz\x07", { "apc-fallback H " } },
        { "a G after the first byte", "\x1b_xGa=T;AAAA\x1b\\z", { "apc-fallback x ", "esc \\", "print z" } },
        { "controls before the first byte", "\x1b_\r\nHx\ry\x07", { "apc-fallback H " } },
        { "empty APC", "\x1b_\x07z", { "print z" } },
        { "SOS is dropped", "\x1bXs\x07os\x1b\\z", { "esc \\", "print z" } },
        { "a byte of 0xA0 or above ends SOS", "\x1b^p\xe4z", { "error sosPmApcString e4", "print z" } },
    });
}

TEST(EscapeSequenceParserStream, DcsStrings)
{
    expectLogsForEverySplit({
        { "status-string request", "\x1bP$qm\x1b\\", { "dcs status hook $[0]q", "dcs status unhook m", "esc \\" } },
        { "sixel with parameters, ended by ST", "\x1bP0;1;8q#0;2;0;0;0~-\x9c",
          { "dcs sixel hook [0;1;8]q", "dcs sixel unhook #0;2;0;0;0~-" } },
        { "empty string is hooked and unhooked", "\x1bPq\x1b\\",
          { "dcs sixel hook [0]q", "dcs sixel unhook ", "esc \\" } },
        { "no handler for other finals", "\x1bPxab\x1b\\z", { "esc \\", "print z" } },
        { "no handler for other collect bytes", "\x1bP>qab\x1b\\", { "esc \\" } },
        { "BEL is payload, DEL is dropped", "\x1bPqa\x07" "b\x7f" "c\x1b\\",
          { "dcs sixel hook [0]q", R"(dcs sixel unhook a\x07bc)", "esc \\" } },
        { "DEL right before the terminator", "\x1bPqa\x7f\x1b\\",
          { "dcs sixel hook [0]q", "dcs sixel unhook a", "esc \\" } },
        { "bytes 0xA0 and above are payload", "\x1bPq\xe4\xb8\x1b\\",
          { "dcs sixel hook [0]q", R"(dcs sixel unhook \xe4\xb8)", "esc \\" } },
        { "a C1 control abandons the string", "\x1bPqa\x85" "b",
          { "dcs sixel hook [0]q", "dcs sixel dropped a", "exec 85", "print b" } },
        { "EM abandons the string", "\x1bPqab\x19" "c",
          { "dcs sixel hook [0]q", "dcs sixel dropped ab", "error dcsPassthrough 19", "print c" } },
        { "an 8-bit OSC start abandons the string", "\x1bPqab\x9d" "0;t\x01u\x07",
          { "dcs sixel hook [0]q", "dcs sixel dropped ab", "osc 0 tu" } },
        { "an 8-bit SOS abandons the string", "\x1bPqab\x98" "s\x9c" "c",
          { "dcs sixel hook [0]q", "dcs sixel dropped ab", "print c" } },
        { "a colon ignores the string", "\x1bP1:2qab\x1b\\", { "esc \\" } },
        { "ESC ends the string and starts the next sequence", "\x1bPqab\x1b[1m",
          { "dcs sixel hook [0]q", "dcs sixel unhook ab", "csi [1]m" } },
        { "a new string replaces an abandoned handler", "\x1bPqa\x1a\x1bP$qm\x1b\\",
          { "dcs sixel hook [0]q", "dcs sixel dropped a", "dcs status hook $[0]q", "dcs status unhook m", "esc \\" } },
    });
}

// Streams built from the bytes that matter to the state machine, in random order: whatever the
// cuts, the calls must be the same.
TEST(EscapeSequenceParserStream, RandomStreamsGiveTheSameCallsWhereverTheyAreCut)
{
    const std::string alphabet = "\x1b[]_PX^\\;:?$ 0123456789mqGHx\x07\x18\x19\x1a\x7f\r\n\x84\x90"
                                             "\x9b\x9c\x9d\x9f\xc5\xe4\x91\xad";
    std::mt19937 random(20261210);
    for (int round = 0; round < 200; ++round) {
        std::string input;
        for (int k = 0; k < 60; ++k)
            input += alphabet[random() % alphabet.size()];
        ParserHarness whole;
        whole.feed(input);
        SCOPED_TRACE(::testing::PrintToString(input));
        expectLogForEverySplit(input, whole.terminal.log);
    }
}

} // namespace
} // namespace zentrova
