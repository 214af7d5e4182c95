#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

using Range = std::optional<std::pair<int, int>>;

// A 10 x 4 terminal scrolled on by two rows, so screen rows and scroll-invariant rows differ by 2,
// with nothing marked dirty.
struct ScrolledTerminal {
    ScrolledTerminal()
    {
        terminal.feed("a\r\nb\r\nc\r\nd\r\ne\r\nf");
        terminal.clearUpdateRange();
    }

    static TerminalOptions tenByFour()
    {
        TerminalOptions options;
        options.cols = 10;
        options.rows = 4;
        return options;
    }

    Terminal terminal { nullptr, tenByFour() };
};

TEST(TerminalDirtyRows, RowsWidenEachRangeOnlyWhereTheyExist)
{
    struct Case {
        const char* name;
        int y;
        bool scrolling;
        Range screen;
        Range invariant;
    };
    const Case cases[] = {
        { "a row on the screen", 1, false, std::pair(1, 1), std::pair(3, 3) },
        { "a row of the scrollback", -1, false, std::nullopt, std::pair(1, 1) },
        { "a row above the oldest", -3, false, std::nullopt, std::nullopt },
        { "a row moved by a scroll", 2, true, std::pair(2, 2), std::nullopt },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ScrolledTerminal scrolled;
        Terminal& terminal = scrolled.terminal;
        ASSERT_EQ(terminal.getTopVisibleRow(), 2);
        terminal.updateRange(test.y, test.scrolling);
        EXPECT_EQ(terminal.getUpdateRange(), test.screen);
        EXPECT_EQ(terminal.getScrollInvariantUpdateRange(), test.invariant);
    }
}

TEST(TerminalDirtyRows, RefreshAndFullScreenEndOnTheLastRowNamed)
{
    ScrolledTerminal scrolled;
    Terminal& terminal = scrolled.terminal;
    terminal.refresh(1, 2);
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(1, 2));
    EXPECT_EQ(terminal.getScrollInvariantUpdateRange(), std::pair(3, 4));

    terminal.updateFullScreen();
    EXPECT_EQ(terminal.getUpdateRange(), std::pair(0, 3));
    EXPECT_EQ(terminal.getScrollInvariantUpdateRange(), std::pair(2, 5));
}

} // namespace
} // namespace zentrova
