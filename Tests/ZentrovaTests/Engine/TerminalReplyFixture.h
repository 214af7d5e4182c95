#pragma once

#include "Support/ManualMainQueue.h"
#include "RecordingTerminalDelegate.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace zentrova {

// A small terminal whose replies a test reads back: reply() feeds bytes and returns exactly what
// the terminal sent for them.
struct TerminalReplyFixture : testing::Test {
    static TerminalOptions smallOptions()
    {
        TerminalOptions options;
        options.cols = 20;
        options.rows = 6;
        return options;
    }

    std::string reply(std::string_view bytes)
    {
        delegate.sent.clear();
        terminal.feed(bytes);
        return delegate.sent;
    }

    // The reply with 8-bit introducers switched on first (S8C1T), then back off.
    std::string reply8bit(std::string_view bytes)
    {
        terminal.feed("\x1B G");
        std::string sent = reply(bytes);
        terminal.feed("\x1B F");
        return sent;
    }

    ManualMainQueue queue;
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, smallOptions(), &queue };
};

} // namespace zentrova
