#pragma once

#include "RecordingTerminal.h"

#include <string>
#include <vector>

namespace zentrova {

struct StreamCase {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
};

// Feeds the input whole, then cut in two at every byte boundary, then one byte per call, each time
// into a fresh parser, and expects the same log every time.
void expectLogForEverySplit(const std::string& input, const std::vector<std::string>& expected,
                            EscapeSequenceParser::StringLimits limits = EscapeSequenceParser::StringLimits());

void expectLogsForEverySplit(const std::vector<StreamCase>& cases);

} // namespace zentrova
