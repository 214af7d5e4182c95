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
            if (byteByByte) {
                for (const char& byte : golden.script)
                    terminal.feed(std::string_view(&byte, 1));
            } else {
                terminal.feed(golden.script);
            }
            EXPECT_EQ(screenText(terminal), golden.screen);
            EXPECT_EQ(cursorText(terminal), golden.cursor);
            if (golden.reply) {
                EXPECT_EQ(delegate.sent, *golden.reply);
            }
        }
    }
}

} // namespace zentrova
