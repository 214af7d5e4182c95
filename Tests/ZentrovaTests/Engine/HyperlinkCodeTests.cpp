// Hyperlink payload codes are shared by every terminal of the process (65534 of them): a terminal
// must give back the codes its cells no longer hold, also once the table is full, so links keep
// working for as long as the program runs.

#include "ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/TinyAtom.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zentrova {
namespace {

// `count` links with distinct targets, one printed character each.
std::string links(int first, int count)
{
    std::string bytes;
    for (int i = first; i < first + count; i++)
        bytes += "\x1b]8;;https://example.org/" + std::to_string(i) + "\x07x";
    return bytes + "\x1b]8;;\x07";
}

// How many cells of the screen and scrollback carry a link.
int linkedCells(Terminal& terminal)
{
    int count = 0;
    Buffer& buffer = terminal.buffer();
    for (int row = 0; row < buffer.lines().count(); row++) {
        const BufferLine& line = buffer.line(row);
        for (int col = 0; col < line.count(); col++)
            count += line[col].hasPayload() ? 1 : 0;
    }
    return count;
}

// A collection used to run right after the code of a new link was taken and before any cell held
// it, so the link that started a collection lost its code at once.
TEST(HyperlinkCodes, EveryPrintedLinkKeepsItsTargetAcrossCollections)
{
    Terminal terminal(nullptr, screenSize(80, 25));
    for (int i = 0; i < 3 * int(PayloadCodes::collectionThreshold); i++) {
        const std::string uri = "https://example.org/" + std::to_string(i);
        terminal.feed("\x1b]8;;" + uri + "\x07x\x1b]8;;\x07\r\n");
        const auto target = terminal.getCharData(0, terminal.getCursorLocation().second - 1)->payload().target();
        ASSERT_TRUE(target.has_value()) << "link " << i;
        ASSERT_EQ(Terminal::parseHyperlinkPayload(std::any_cast<std::string>(target)), uri);
    }
    EXPECT_LT(terminal.payloadCodes().size(), 2 * PayloadCodes::collectionThreshold);
}

// Once more than half the codes were live at a time, the collection threshold rose past the number
// of codes there are, and a full table never started a collection: no link got a code again.
TEST(HyperlinkCodes, ATerminalThatOnceHeldMostCodesGetsThemBackWhenTheTableIsFull)
{
    auto options = screenSize(80, 25);
    options.scrollback = 800;
    Terminal terminal(nullptr, options);
    terminal.feed(links(0, 65500));
    ASSERT_EQ(linkedCells(terminal), 65500);

    terminal.feed("\x1b[3J\x1b[2J\x1b[H");
    ASSERT_EQ(linkedCells(terminal), 0);
    terminal.feed(links(65500, 30000));
    EXPECT_EQ(linkedCells(terminal), 30000);
}

// Many terminals fill the table between them, each below its own collection threshold.
TEST(HyperlinkCodes, TerminalsGiveBackTheirCodesWhenAnotherFindsTheTableFull)
{
    std::vector<std::unique_ptr<Terminal>> terminals;
    while (TinyAtom::usedCount() < TinyAtom::maxCode) {
        terminals.push_back(std::make_unique<Terminal>(nullptr, screenSize(80, 25)));
        terminals.back()->feed(links(int(terminals.size()) * 1000, 1000));
    }
    for (auto& each : terminals)
        each->feed("\x1b[2J");

    // The first link of a terminal whose own cells hold nothing finds the table full, and asks the
    // others to collect at their next feed.
    Terminal newcomer(nullptr, screenSize(80, 25));
    newcomer.feed(links(0, 1));
    EXPECT_EQ(linkedCells(newcomer), 0) << "nothing of its own to give back";
    for (auto& each : terminals)
        each->feed("\r");
    newcomer.feed(links(1, 500));
    EXPECT_EQ(linkedCells(newcomer), 500);

    // A terminal that cleared its own links gets their codes back at once.
    terminals.front()->feed(links(0, 10));
    EXPECT_EQ(linkedCells(*terminals.front()), 10);
}

} // namespace
} // namespace zentrova
