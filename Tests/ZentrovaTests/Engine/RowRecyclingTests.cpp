// A row the scrollback ring reuses for new output starts single-size, whatever size the row it
// replaced had.

#include "RecordingTerminalDelegate.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(RowRecycling, ReusedRowsAreSingleSize)
{
    const struct {
        const char* name;
        const char* sizeSequence;
        BufferLine::RenderLineMode mode;
    } cases[] = {
        { "double width", "\x1b#6", BufferLine::RenderLineMode::doubleWidth },
        { "double height top", "\x1b#3", BufferLine::RenderLineMode::doubledTop },
        { "double height bottom", "\x1b#4", BufferLine::RenderLineMode::doubledDown },
    };
    for (const auto& each : cases) {
        TerminalOptions options;
        options.cols = 20;
        options.rows = 5;
        options.scrollback = 3;
        RecordingTerminalDelegate delegate;
        Terminal terminal(&delegate, options);
        std::string script = std::string(each.sizeSequence) + "wide\r\n";
        for (int i = 0; i < 8; i++)
            script += "line" + std::to_string(i) + "\r\n";
        for (const bool byteByByte : { false, true }) {
            SCOPED_TRACE(std::string(each.name) + (byteByByte ? ", byte by byte" : ", one read"));
            terminal.resetToInitialState();
            if (byteByByte) {
                for (const char& byte : script)
                    terminal.feed(std::string_view(&byte, 1));
            } else {
                terminal.feed(script);
            }
            Buffer& buffer = terminal.buffer();
            ASSERT_EQ(buffer.lines().count(), 8) << "the ring is full and has reused rows";
            for (int index = 0; index < buffer.lines().count(); index++) {
                const BufferLine& row = buffer.line(index);
                SCOPED_TRACE(row.translateToString(true));
                EXPECT_EQ(row.renderMode(), BufferLine::RenderLineMode::single);
            }
        }
        // The sized row keeps its size while the ring still holds it.
        terminal.resetToInitialState();
        terminal.feed(std::string(each.sizeSequence) + "wide\r\n");
        EXPECT_EQ(terminal.buffer().line(0).renderMode(), each.mode);
    }
}

} // namespace
} // namespace zentrova
