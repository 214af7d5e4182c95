#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

// The arrow keys go by the direction of the cursor's row, so that on a right-to-left row the key
// pointing left moves the cursor left on the screen when the program asked for that (mode 1243).
TEST(TerminalViewSending, HorizontalKeysFollowTheDirectionOfTheCursorsRow)
{
    constexpr auto explicitRightToLeft = "\x1b[8l\x1b[2 k";
    constexpr auto swapKeys = "\x1b[?1243h";
    struct Case {
        const char* name;
        std::string output;
        BidiHostPolicy policy;
        bool left;
        const char* sent;
    };
    const Case cases[] = {
        { "left", "abc", BidiHostPolicy::respectTerminal, true, "\x1b[D" },
        { "right", "abc", BidiHostPolicy::respectTerminal, false, "\x1b[C" },
        { "application cursor keys", "\x1b[?1habc", BidiHostPolicy::respectTerminal, true, "\x1bOD" },
        { "left-to-right row, swapping on", std::string(swapKeys) + "abc", BidiHostPolicy::respectTerminal, true,
          "\x1b[D" },
        { "explicit right-to-left row, swapping off", std::string(explicitRightToLeft) + "abc",
          BidiHostPolicy::respectTerminal, true, "\x1b[D" },
        { "explicit right-to-left row, swapping on", std::string(explicitRightToLeft) + swapKeys + "abc",
          BidiHostPolicy::respectTerminal, true, "\x1b[C" },
        { "swapped right in application mode", std::string(explicitRightToLeft) + swapKeys + "\x1b[?1habc",
          BidiHostPolicy::respectTerminal, false, "\x1bOD" },
        { "Hebrew paragraph, swapping on", std::string(swapKeys) + "\u05e9\u05dc\u05d5\u05dd",
          BidiHostPolicy::respectTerminal, true, "\x1b[C" },
        { "Hebrew paragraph, drawn left to right by the host", std::string(swapKeys) + "\u05e9\u05dc\u05d5\u05dd",
          BidiHostPolicy::legacyLeftToRight, true, "\x1b[D" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalOptions options;
        options.cols = 20;
        options.rows = 5;
        TerminalView view(nullptr, testFont(), options);
        RecordingViewHost host;
        view.setTerminalDelegate(&host);
        view.setBidiHostPolicy(c.policy);
        view.feed(c.output);
        view.sendHorizontalKey(c.left);
        EXPECT_EQ(host.sent, c.sent);
        view.setTerminalDelegate(nullptr);
    }
}

} // namespace
} // namespace zentrova
