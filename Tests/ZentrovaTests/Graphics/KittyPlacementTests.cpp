#include "KittyGraphicsFixture.h"

#include "Zentrova/Graphics/KittyPlacementImage.h"

namespace zentrova {
namespace {

using KittyPlacements = KittyGraphicsFixture;

TEST_F(KittyPlacements, RelativePlacementStartsAtItsParentAndKeepsTheCursor)
{
    transmit(1);
    terminal.feed("\x1B[2;3H" + apc("a=p,q=2,i=1,p=1,c=2,r=1"));
    terminal.feed("\x1B[6;10H");
    EXPECT_EQ(reply(apc("a=p,i=1,p=2,P=1,Q=1,H=4,V=2,c=1,r=1")), framed("i=1,p=2;OK"));
    const KittyPlacementRecord& child = state().placementsByKey.at({ 1, 2 });
    EXPECT_EQ(child.col, 2 + 4);
    EXPECT_EQ(child.row, 1 + 2);
    EXPECT_TRUE(delegate.lastContext->isRelative);
    EXPECT_EQ(terminal.getCursorLocation(), (std::pair { 9, 5 }));
}

TEST_F(KittyPlacements, RelativePlacementErrors)
{
    struct Case {
        const char* name;
        std::string setup;
        std::string command;
        std::string expected;
    };
    const Case cases[] = {
        { "no parent record", "", apc("a=p,i=1,p=2,P=1,Q=9"), framed("i=1;ENOPARENT: parent placement not found") },
        { "parent on the other screen", "\x1B[?1049h", apc("a=p,i=1,p=2,P=1,Q=1"),
          framed("i=1;ENOPARENT: parent placement not in current buffer") },
        { "above the screen", "", apc("a=p,i=1,p=2,P=1,Q=1,V=-2"), framed("i=1;EINVAL: placement out of range") },
        { "below the screen", "", apc("a=p,i=1,p=2,P=1,Q=1,V=6"), framed("i=1;EINVAL: placement out of range") },
        { "parent scrolled into the scrollback", "\x1B[6;1H\n\n", apc("a=p,i=1,p=2,P=1,Q=1"),
          framed("i=1;EINVAL: placement out of range") },
        { "one parent up is fine", "\x1B[6;1H\n", apc("a=p,q=1,i=1,p=2,P=1,Q=1,V=1"), "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        transmit(1);
        terminal.feed("\x1B[2;1H" + apc("a=p,q=2,i=1,p=1"));
        terminal.feed(c.setup);
        const auto cursor = terminal.getCursorLocation();
        EXPECT_EQ(reply(c.command), c.expected);
        EXPECT_EQ(terminal.getCursorLocation(), cursor);
    }
}

TEST_F(KittyPlacements, AParentLoopAnswersNoParentAndScrollingStillEnds)
{
    transmit(1);
    terminal.feed(apc("a=p,q=2,i=1,p=1"));
    terminal.feed(apc("a=p,q=2,i=1,p=2,P=1,Q=1,V=1"));
    // Placing 1 again, relative to 2 (which hangs on 1), closes a loop among the records.
    terminal.feed(apc("a=p,q=2,i=1,p=1,P=1,Q=2,V=1"));
    EXPECT_EQ(reply(apc("a=p,i=1,p=3,P=1,Q=1")), framed("i=1;ENOPARENT: parent placement not found"));
    terminal.feed("\x1B[6;1H\n\n\n");
    EXPECT_EQ(state().placementsByKey.size(), 2u);
}

TEST_F(KittyPlacements, RelativePlacementsFollowTheirParentAcrossScrolls)
{
    // No scrollback: every scroll recycles the oldest row, so ring indexes move under the records.
    TerminalOptions noHistory = options();
    noHistory.scrollback = 0;
    Terminal small(&delegate, noHistory);
    auto& store = small.kittyGraphicsState();
    small.feed(apcWithData("a=t,q=2,i=1,s=2,v=2", pixels(2, 2)));
    small.feed("\x1B[3;2H" + apc("a=p,q=2,i=1,p=1,c=2,r=1"));
    small.feed(apc("a=p,q=2,i=1,p=2,P=1,Q=1,H=3,V=1,c=1,r=1"));
    ASSERT_EQ(store.placementsByKey.at({ 1, 2 }).row, 3);

    // The parent moves (placed again with its key); the next scroll brings the child along.
    small.feed("\x1B[2;8H" + apc("a=p,q=2,i=1,p=1,c=2,r=1"));
    small.feed("\x1B[6;1H\n");
    const KittyPlacementRecord& parent = store.placementsByKey.at({ 1, 1 });
    const KittyPlacementRecord& child = store.placementsByKey.at({ 1, 2 });
    EXPECT_EQ(parent.row, 0);
    EXPECT_EQ(parent.col, 7);
    EXPECT_EQ(child.row, 1);
    EXPECT_EQ(child.col, 10);
    int childStripRow = -1;
    for (int index = 0; index < small.buffer().lines().count(); index++) {
        for (const auto& image : small.buffer().line(index).images().value_or(BufferLine::Images())) {
            const auto* kitty = dynamic_cast<const KittyPlacementImage*>(image.get());
            if (kitty && kitty->kittyPlacementId == 2u) {
                childStripRow = index;
                EXPECT_EQ(kitty->kittyCol, 10);
                EXPECT_EQ(kitty->col(), 10);
            }
        }
    }
    EXPECT_EQ(childStripRow, 1);
}

TEST_F(KittyPlacements, CursorAfterAPlacement)
{
    struct Case {
        const char* name;
        std::optional<std::pair<int, int>> cellSize;
        std::string keys;
        int imageWidth;
        int imageHeight;
        std::pair<int, int> cursor; // from (2, 1)
    };
    const std::optional<std::pair<int, int>> cell = std::pair { 10, 20 };
    const Case cases[] = {
        { "C=1 keeps the cursor", cell, "c=3,r=2,C=1", 2, 2, { 2, 1 } },
        { "c and r without a cell size", std::nullopt, "c=3,r=2", 2, 2, { 5, 3 } },
        { "c and r with a cell size", cell, "c=3,r=2", 2, 2, { 5, 3 } },
        { "pixel size over the cell size", cell, "", 25, 30, { 5, 3 } },
        { "neither size nor cells", std::nullopt, "", 25, 30, { 2, 1 } },
        { "a zero cell side counts as none", std::pair { 0, 20 }, "", 25, 30, { 2, 1 } },
        { "width in cells keeps the aspect", cell, "c=4", 20, 10, { 6, 2 } },
        { "height in cells keeps the aspect", cell, "r=2", 10, 20, { 4, 3 } },
        { "pixel offset widens the image", cell, "X=5", 20, 20, { 5, 2 } },
        { "clamped to the screen", cell, "c=30,r=1", 2, 2, { 20, 2 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        delegate.cellSize = c.cellSize;
        terminal.feed("\x1B[2;3H");
        terminal.feed(apcWithData("a=T,q=2,f=32,s=" + std::to_string(c.imageWidth) + ",v=" + std::to_string(c.imageHeight)
                                      + (c.keys.empty() ? "" : "," + c.keys),
                                  pixels(c.imageWidth, c.imageHeight)));
        EXPECT_EQ(terminal.getCursorLocation(), c.cursor);
    }
}

TEST_F(KittyPlacements, WithoutACellSizeTheCursorIndexesDownAndScrolls)
{
    transmit(1);
    terminal.feed("\x1B[6;3H" + apc("a=p,q=2,i=1,c=2,r=3"));
    EXPECT_EQ(terminal.getCursorLocation(), (std::pair { 4, 5 }));
    EXPECT_EQ(terminal.buffer().yBase(), 3);
}

TEST_F(KittyPlacements, CropAndItsErrors)
{
    transmit(1, 4, 4);
    const std::vector<uint8_t> source = pixels(4, 4);
    EXPECT_EQ(reply(apc("a=p,i=1,x=4,y=0")), framed("i=1;EINVAL: bad crop"));
    EXPECT_EQ(reply(apc("a=p,i=1,x=0,y=0,w=4,h=4")), framed("i=1;OK"));
    EXPECT_EQ(delegate.lastBitmap, source);
    EXPECT_EQ(reply(apc("a=p,i=1,x=1,y=2,w=2,h=9")), framed("i=1;OK"));
    EXPECT_EQ(delegate.lastBitmapSize, (std::pair { 2, 2 }));
    std::vector<uint8_t> expected;
    for (int row = 2; row < 4; row++)
        expected.insert(expected.end(), source.begin() + (row * 4 + 1) * 4, source.begin() + (row * 4 + 3) * 4);
    EXPECT_EQ(delegate.lastBitmap, expected);
}

} // namespace
} // namespace zentrova
