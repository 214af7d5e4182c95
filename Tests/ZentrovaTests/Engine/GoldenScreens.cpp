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

void expectGoldenScreens(std::span<const GoldenScreenCase> cases)
{
    for (const GoldenScreenCase& golden : cases) {
        SCOPED_TRACE(golden.name);
        RecordingTerminalDelegate delegate;
        Terminal terminal(&delegate, tenByFiveScreen());
        terminal.feed(golden.script);
        EXPECT_EQ(screenText(terminal), golden.screen);
        EXPECT_EQ(cursorText(terminal), golden.cursor);
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
