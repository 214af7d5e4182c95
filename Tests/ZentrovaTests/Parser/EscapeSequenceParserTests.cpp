#include "ParserStreamCheck.h"

#include "Zentrova/Parser/EscapeSequenceParser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <optional>
#include <string>

namespace zentrova {
namespace {

std::span<const uint8_t> bytesOf(std::string_view text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

// "1;2;...;count"
std::string parameterList(int count, char separator = ';')
{
    std::string list = "1";
    for (int k = 2; k <= count; ++k)
        list += separator + std::to_string(k);
    return list;
}

TEST(EscapeSequenceParser, TwentyFourParametersAreKeptAndATwentyFifthDropsTheSequence)
{
    expectLogForEverySplit("\x1b[" + parameterList(24) + "m", { "csi [" + parameterList(24) + "]m" });
    expectLogForEverySplit("\x1b[" + parameterList(25) + "m\x1b[1m", { "csi [1]m" });
    expectLogForEverySplit("\x1b[" + parameterList(40, ':') + "mz", { "print z" });
}

// Values of every length around the saturation point, and leading zeros that push a small value
// past five digits, read the same however the reads cut them.
TEST(EscapeSequenceParser, ParameterValuesOfEveryLengthSaturateAt65535)
{
    const struct {
        const char* digits;
        int value;
    } cases[] = {
        { "0", 0 },
        { "7", 7 },
        { "42", 42 },
        { "255", 255 },
        { "6553", 6553 },
        { "65534", 65534 },
        { "65535", 65535 },
        { "65536", 65535 },
        { "655359", 65535 },
        { "1234567", 65535 },
        { "12345678", 65535 },
        { "0000000", 0 },
        { "0000042", 42 },
        { "00000000042", 42 },
        { "00000065535", 65535 },
        { "000000065536", 65535 },
        { "99999999999999999999", 65535 },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.digits);
        const std::string digits = each.digits;
        const std::string value = std::to_string(each.value);
        expectLogForEverySplit("\x1b[" + digits + ";" + digits + ":" + digits + "m" + "after the sequence",
                               { "csi [" + value + ";" + value + ":" + value + "]m", "print after the sequence" });
    }
}

TEST(EscapeSequenceParser, DcsWithTooManyParametersIsNotHookedAndReachesNoEarlierHandler)
{
    // The first string is abandoned by SUB; the second has 25 parameters and is dropped, so its
    // payload must reach no handler.
    expectLogForEverySplit("\x1bPqab\x1a\x1bP" + parameterList(25) + "qcd\x1b\\z",
                           { "dcs sixel hook [0]q", "dcs sixel dropped ab", "esc \\", "print z" });
}

TEST(EscapeSequenceParser, AFloodOfIntermediatesDropsTheSequence)
{
    const std::string sixteen(16, '!');
    const std::string seventeen(17, '!');
    expectLogForEverySplit("\x1b[" + sixteen + "p", { "csi " + sixteen + "[0]p" });
    expectLogForEverySplit("\x1b[" + seventeen + "p\x1b[1m", { "csi [1]m" });
    expectLogForEverySplit("\x1b" + seventeen + "F\x1b(0", { "esc (0" });
    expectLogForEverySplit("\x1bP" + seventeen + "q#\x1b\\", { "esc \\" });
}

TEST(EscapeSequenceParser, StringsPastTheirCapAreAbandonedAndTheOutputAfterThemSurvives)
{
    EscapeSequenceParser::StringLimits limits;
    limits.maxOscLength = 8;
    limits.maxApcLength = 8;
    limits.maxDcsLength = 4;
    struct Case {
        const char* name;
        std::string input;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "OSC at the cap", "\x1b]0;123456\x07z", { "osc 0 123456", "print z" } },
        { "OSC one past the cap", "\x1b]0;1234567\x07z", { "print z" } },
        { "OSC past the cap, ended by ESC \\", "\x1b]0;1234567890\x1b\\z", { "esc \\", "print z" } },
        { "the cap is per string", "\x1b]0;1234567\x07\x1b]0;1\x07", { "osc 0 1" } },
        { "APC at the cap", "\x1b_G1234567\x07z", { "kitty 1234567", "print z" } },
        { "APC one past the cap", "\x1b_G12345678\x07z", { "print z" } },
        { "an APC that is no kitty command keeps nothing to cap", "\x1b_H1234567890\x07z",
          { "apc-fallback H ", "print z" } },
        { "DCS payload at the cap", "\x1bPqabcd\x1b\\z",
          { "dcs sixel hook [0]q", "dcs sixel unhook abcd", "esc \\", "print z" } },
        { "DCS payload one past the cap", "\x1bPqabcde\x1b\\z",
          { "dcs sixel hook [0]q", "dcs sixel dropped abcd", "esc \\", "print z" } },
        { "dropped DEL does not count", "\x1bPqab\x7f\x7f" "cd\x1b\\",
          { "dcs sixel hook [0]q", "dcs sixel unhook abcd", "esc \\" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectLogForEverySplit(c.input, c.expected, limits);
    }
}

TEST(EscapeSequenceParser, DefaultOscCapHoldsLargeStringsAndStopsLarger)
{
    const size_t cap = EscapeSequenceParser::StringLimits().maxOscLength;
    for (const size_t length : { cap, cap + 1 }) {
        SCOPED_TRACE(length);
        ParserHarness harness;
        size_t received = 0;
        harness.parser.oscHandlers[52] = [&](std::span<const uint8_t> data) { received = data.size(); };
        std::string input = "\x1b]52;";
        input.resize(length + 2, 'A');
        input += "\x07z";
        // Fed in the pieces a child's output arrives in.
        for (size_t offset = 0; offset < input.size(); offset += 128 * 1024)
            harness.feed(std::string_view(input).substr(offset, 128 * 1024));
        EXPECT_EQ(received, length == cap ? cap - 3 : 0);
        EXPECT_EQ(harness.terminal.log, std::vector<std::string> { "print z" });
    }
}

TEST(EscapeSequenceParser, PrintableRunsArriveWholeAndEndWithTheCall)
{
    EscapeSequenceParser parser;
    parser.csiHandlerFallback = {};
    std::vector<std::string> runs;
    parser.printHandler = [&](std::span<const uint8_t> run) { runs.push_back(show(run)); };

    parser.parse(bytesOf("The quick brown fox jumps over the lazy dog, twice over.\r\n"
                         "\x1b[1mbold\x1b[m and \xe4\xb8"));
    parser.parse(bytesOf("\xad"));
    const std::vector<std::string> expected { "The quick brown fox jumps over the lazy dog, twice over.", "bold",
                                              R"( and \xe4\xb8)", R"(\xad)" };
    EXPECT_EQ(runs, expected);
}

TEST(EscapeSequenceParser, PrintStateResetMarksEveryStartCancelAndDcsEnd)
{
    struct Case {
        const char* name;
        std::string input;
        int resets;
    };
    const Case cases[] = {
        { "text and controls", "ab\r\n", 0 },
        { "ESC sequence", "\x1b" "7", 1 },
        { "CSI: ESC, then [", "\x1b[1m", 2 },
        { "OSC ended", "\x1b]0;t\x07", 1 },
        { "OSC cancelled", "\x1b]0;t\x18", 2 },
        { "DCS: ESC, P, and the end of the string", "\x1bPq\x9c", 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ParserHarness harness;
        harness.feed(c.input);
        EXPECT_EQ(harness.terminal.printStateResets, c.resets);
    }
}

TEST(EscapeSequenceParser, RegisteredOscHandlersComeBeforeTheTerminal)
{
    ParserHarness harness;
    harness.parser.oscHandlers[7] = [&](std::span<const uint8_t> data) {
        harness.terminal.record("handler 7 " + show(data));
    };
    harness.feed("\x1b]7;file:///tmp\x07\x1b]2;t\x07");
    EXPECT_EQ(harness.terminal.log, (std::vector<std::string> { "handler 7 file:///tmp", "osc 2 t" }));
}

TEST(EscapeSequenceParser, WithoutATerminalSequencesGoToTheFallbacks)
{
    RecordingTerminal recorder;
    EscapeSequenceParser parser;
    recorder.attach(parser);
    parser.oscHandlers[7] = [&](std::span<const uint8_t> data) { recorder.record("handler 7 " + show(data)); };

    parser.parse(bytesOf("a\r\x1b[?1h\x1b(0\x1b]7;d\x07\x1b]2;t\x07\x1b_Gx\x07\x1bPq#\x1b\\"));
    const std::vector<std::string> expected {
        "print a",       "csi-fallback ?[1]h", "esc-fallback (0", "handler 7 d", "osc-fallback 2 t",
        "apc-fallback G x", "esc-fallback \\",
    };
    EXPECT_EQ(recorder.log, expected);
}

TEST(EscapeSequenceParser, UnconfiguredParserReportsUnknownCsiOnStandardError)
{
    EscapeSequenceParser parser;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    parser.parse(bytesOf("\x1b[5A\x1b[z"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Cannot handle ESC-65\nCannot handle ESC-122\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(EscapeSequenceParser, ErrorHandlerSeesTheOffendingByteAndItsSurroundings)
{
    EscapeSequenceParser parser;
    std::optional<ParsingState> seen;
    std::string text;
    parser.errorHandler = [&](const ParsingState& state) {
        seen = state;
        text = toString(state);
        return state;
    };
    parser.parse(bytesOf("ab\x1b[?\xe4"));
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->position, 5);
    EXPECT_EQ(seen->code, 0xE4);
    EXPECT_EQ(seen->currentState, ParserState::csiParam);
    EXPECT_EQ(text, "ParsingState(position: 5, code: 228, currentState: csiParam, dcs: -1, osc: [], "
                    "apc: [], collect: [63], parameters: [], abort: false)");
    EXPECT_EQ(parser.currentState(), ParserState::ground);
}

TEST(EscapeSequenceParser, AbortingErrorHandlerDropsTheRestOfTheCall)
{
    ParserHarness harness;
    harness.parser.errorHandler = [&](const ParsingState& state) {
        harness.terminal.record("abort");
        ParsingState result = state;
        result.abort = true;
        return result;
    };
    // The call that meets 0xE4 inside the CSI ends there, and the parser carries on from where
    // that call began: its "2" is gone, the sequence goes on with the next call.
    harness.feed("\x1b[1;");
    harness.feed("2\xe4z");
    harness.feed("5m");
    // A string that ended in the aborted call is not taken up again: what follows it up to
    // its terminator is dropped, never dispatched as a second string.
    harness.feed("\x1b]2;ab");
    harness.feed("cd\x1b\x19");
    harness.feed("ef\x07z");
    const std::vector<std::string> expected { "abort", "csi [1;5]m", "osc 2 abcd", "abort", "print z" };
    EXPECT_EQ(harness.terminal.log, expected);
}

TEST(EscapeSequenceParser, ResetForgetsTheSequenceAndTheDcsHandler)
{
    ParserHarness harness;
    harness.feed("\x1bPqab");
    harness.parser.reset();
    EXPECT_EQ(harness.parser.currentState(), ParserState::ground);
    harness.feed("cd\x1b[1;2");
    harness.parser.reset();
    harness.feed("m");
    const std::vector<std::string> expected { "dcs sixel hook [0]q", "dcs sixel dropped ab", "print cdm" };
    EXPECT_EQ(harness.terminal.log, expected);
    EXPECT_EQ(harness.terminal.printStateResets, 6) << "two ESCs, P, [, and the two resets";
}

TEST(EscapeSequenceParser, ParseDecimal)
{
    struct Case {
        const char* text;
        std::optional<int64_t> value;
    };
    const Case cases[] = {
        { "", std::nullopt },
        { "0", 0 },
        { "0042", 42 },
        { "1337", 1337 },
        { "12a", std::nullopt },
        { "-1", std::nullopt },
        { " 1", std::nullopt },
        { "9223372036854775807", INT64_MAX },
        { "9223372036854775808", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EscapeSequenceParser::parseDecimal(bytesOf(c.text)), c.value);
    }
}

// The profiling interval is two static probes in the program, named in its probe notes as a tracer
// reads them (provider, then probe name, each ended by NUL).
TEST(EscapeSequenceParser, ParseIsWrappedInTheProfilingProbes)
{
    std::ifstream program("/proc/self/exe", std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(program)), std::istreambuf_iterator<char>());
    for (const std::string_view probe : { "Parser_Parse_begin", "Parser_Parse_end" }) {
        SCOPED_TRACE(probe);
        EXPECT_NE(image.find(std::string("ParserProfile") + '\0' + std::string(probe) + '\0'), std::string::npos);
    }
}

} // namespace
} // namespace zentrova
