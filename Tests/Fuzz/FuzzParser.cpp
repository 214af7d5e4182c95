// The escape-sequence parser alone, with small string caps so the caps are reached. The input is
// parsed whole and again cut into pieces of sizes the input picks; every call the parser makes
// must be the same both ways (split-proof is what lets a terminal read a pipe in any chunks).

#include "Parser/RecordingTerminal.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace zentrova;

namespace {

EscapeSequenceParser::StringLimits smallLimits()
{
    EscapeSequenceParser::StringLimits limits;
    limits.maxOscLength = 64;
    limits.maxApcLength = 64;
    limits.maxDcsLength = 64;
    return limits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds the piece sizes (1 to 16 bytes).
    unsigned seed = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

    ParserHarness whole(smallLimits());
    whole.feed(input);

    ParserHarness pieces(smallLimits());
    for (size_t at = 0; at < input.size();) {
        seed = seed * 1103515245 + 12345;
        const size_t length = 1 + (seed >> 16) % 16;
        pieces.feed(input.substr(at, length));
        at += length;
    }

    if (whole.terminal.log != pieces.terminal.log) {
        std::fprintf(stderr, "the parser's calls depend on how the input was cut\n");
        for (size_t k = 0; k < whole.terminal.log.size() || k < pieces.terminal.log.size(); ++k)
            std::fprintf(stderr, "  whole: %s\n  cut:   %s\n",
                         k < whole.terminal.log.size() ? whole.terminal.log[k].c_str() : "-",
                         k < pieces.terminal.log.size() ? pieces.terminal.log[k].c_str() : "-");
        std::abort();
    }
    return 0;
}
