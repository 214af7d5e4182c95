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

} // namespace zentrova
