#include "GoldenScreens.h"

#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {

TerminalOptions tenByFiveScreen()
{
    return screenSize(10, 5);
}

void expectGoldenScreens(std::span<const GoldenScreenCase> cases, GoldenFeed feed)
{
    for (const GoldenScreenCase& golden : cases) {
        for (const bool byteByByte : { false, true }) {
            if (byteByByte && feed == GoldenFeed::whole)
                continue;
            SCOPED_TRACE(golden.name + (byteByByte ? " (byte by byte)" : ""));
            RecordingTerminalDelegate delegate;
            Terminal terminal(&delegate, screenSize(golden.cols, golden.rows));
            feedWholeOrByteByByte(terminal, golden.script, byteByByte);
            EXPECT_EQ(screenText(terminal), golden.screen);
            EXPECT_EQ(cursorText(terminal), golden.cursor);
            if (golden.reply) {
                EXPECT_EQ(delegate.sent, *golden.reply);
            }
        }
    }
}

void feedWholeOrByteByByte(Terminal& terminal, std::string_view bytes, bool byteByByte)
{
    if (!byteByByte) {
        terminal.feed(bytes);
        return;
    }
    for (char byte : bytes)
        terminal.feed(std::string_view(&byte, 1));
}

std::string repliesTo(std::string_view bytes, bool byteByByte)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate);
    feedWholeOrByteByByte(terminal, bytes, byteByByte);
    return delegate.sent;
}

} // namespace zentrova
