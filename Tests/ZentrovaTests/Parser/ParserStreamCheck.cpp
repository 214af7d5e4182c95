#include "ParserStreamCheck.h"

#include <gtest/gtest.h>

namespace zentrova {

void expectLogForEverySplit(const std::string& input, const std::vector<std::string>& expected,
                            EscapeSequenceParser::StringLimits limits)
{
    // Stops at the first way of feeding that differs, so one fault gives one message.
    const auto matches = [&](const ParserHarness& harness, const std::string& how) {
        if (harness.terminal.log == expected)
            return true;
        ADD_FAILURE() << "fed " << how << "\n  log:      " << ::testing::PrintToString(harness.terminal.log)
                      << "\n  expected: " << ::testing::PrintToString(expected);
        return false;
    };
    {
        ParserHarness harness(limits);
        harness.feed(input);
        if (!matches(harness, "whole"))
            return;
    }
    for (size_t cut = 1; cut < input.size(); ++cut) {
        ParserHarness harness(limits);
        harness.feed(std::string_view(input).substr(0, cut));
        harness.feed(std::string_view(input).substr(cut));
        if (!matches(harness, "cut after byte " + std::to_string(cut)))
            return;
    }
    ParserHarness harness(limits);
    for (char byte : input)
        harness.feed(std::string_view(&byte, 1));
    matches(harness, "one byte at a time");
}

void expectLogsForEverySplit(const std::vector<StreamCase>& cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectLogForEverySplit(c.input, c.expected);
    }
}

} // namespace zentrova
