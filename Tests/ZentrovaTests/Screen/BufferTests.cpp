#include "Zentrova/Screen/Buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrova {
namespace {

// A buffer as its terminal sets it up: rows filled, auto-wrap on, a scroll callback that records.
struct BufferFixture : testing::Test {
    void make(int cols, int rows, std::optional<int> scrollback = 100)
    {
        buffer = std::make_unique<Buffer>(cols, rows, 8, scrollback);
        buffer->fillViewportRows();
        buffer->wraparound = true;
        buffer->scroll = [this](bool isWrapped) { scrolls.push_back(isWrapped); };
    }

    std::string rowText(int ringIndex)
    {
        std::string text;
        const BufferLine& row = buffer->line(ringIndex);
        for (int col = 0; col < row.count(); col++)
            text += row[col].code() == 0 ? '.' : char(row[col].code());
        return text;
    }

    std::span<const uint8_t> bytes(const std::string& text)
    {
        return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
    }

    std::unique_ptr<Buffer> buffer;
    std::vector<bool> scrolls;
};

TEST_F(BufferFixture, TabStops)
{
    make(20, 4);
    std::vector<int> stops;
    for (int col = 0; col < 20; col++) {
        if (buffer->tabStops()[size_t(col)])
            stops.push_back(col);
    }
    EXPECT_EQ(stops, (std::vector<int> { 0, 8, 16 }));
    EXPECT_EQ(buffer->nextTabStop(false, 0), 8);
    EXPECT_EQ(buffer->nextTabStop(false, 16), 19) << "no stop left: the last column";
    EXPECT_EQ(buffer->previousTabStop(0), 0);
    EXPECT_EQ(buffer->previousTabStop(10), 8);

    buffer->setMarginRight(12);
    EXPECT_EQ(buffer->nextTabStop(true, 8), 12) << "margin mode stops at the right margin";
    buffer->tabClear(8);
    buffer->tabSet(3);
    buffer->tabSet(99);
    EXPECT_EQ(buffer->nextTabStop(false, 0), 3);
    EXPECT_EQ(buffer->nextTabStop(false, 3), 16);

    make(80, 4);
    EXPECT_EQ(buffer->nextTabStop(false, 79), 79);
}

TEST_F(BufferFixture, AsciiRunStopsAtTheMarginWithoutAutoWrap)
{
    make(80, 4);
    buffer->wraparound = false;
    buffer->setX(75);
    EXPECT_EQ(buffer->insertAsciiRun(bytes("0123456789"), Attribute::empty, {}), 5);
    EXPECT_EQ(buffer->x(), 80);
    EXPECT_EQ(rowText(0).substr(75), "01234");
}

TEST_F(BufferFixture, AsciiRunWrapsOntoAMarkedRow)
{
    make(80, 4);
    buffer->setX(75);
    EXPECT_EQ(buffer->insertAsciiRun(bytes("0123456789"), Attribute::empty, {}), 10);
    EXPECT_EQ(rowText(0).substr(75), "01234");
    EXPECT_EQ(rowText(1).substr(0, 6), "56789.");
    EXPECT_TRUE(buffer->line(1).isWrapped());
    EXPECT_FALSE(buffer->line(0).isWrapped());
    EXPECT_EQ(buffer->y(), 1);
    EXPECT_TRUE(scrolls.empty());

    // On the last row of the scroll region the owner scrolls, told that the new row continues.
    buffer->setY(3);
    buffer->setX(78);
    buffer->insertAsciiRun(bytes("abc"), Attribute::empty, {});
    EXPECT_EQ(scrolls, (std::vector<bool> { true }));
}

TEST_F(BufferFixture, AsciiRunInInsertModeIsLeftToTheCaller)
{
    make(10, 2);
    buffer->insertMode = true;
    EXPECT_EQ(buffer->insertAsciiRun(bytes("ab"), Attribute::empty, {}), 0);
    EXPECT_EQ(rowText(0), "..........");
}

TEST_F(BufferFixture, PrintedCellsTakeThePayloadAndSemanticContent)
{
    make(10, 2);
    buffer->semanticContent = SemanticContent::output;
    const auto payload = [] { return std::optional(TinyAtom { 7 }); };
    buffer->insertAsciiRun(bytes("a"), Attribute::empty, payload);
    buffer->insertCharacter(CharData(Attribute::empty, 0x6F22, 2), payload);
    for (int col : { 0, 1, 2 }) {
        SCOPED_TRACE(col);
        EXPECT_EQ(buffer->line(0)[col].payload().code, 7);
        EXPECT_EQ(buffer->line(0)[col].semanticContentCode(), 6);
    }
    EXPECT_EQ(buffer->line(0)[2].width(), 0) << "the right half of the wide character";
}

TEST_F(BufferFixture, WideCharacterWithoutRoomOrAutoWrapIsDropped)
{
    make(10, 2);
    buffer->wraparound = false;
    buffer->setX(9);
    buffer->insertCharacter(CharData(Attribute::empty, 0x6F22, 2), {});
    EXPECT_EQ(buffer->x(), 9);
    EXPECT_EQ(rowText(0), "..........");
}

TEST_F(BufferFixture, NegativeCursorAndRegionValuesAreIgnored)
{
    make(10, 4);
    buffer->setY(2);
    buffer->setY(-1);
    buffer->setX(-3);
    buffer->setScrollTop(-1);
    buffer->setScrollBottom(-1);
    buffer->setYDisp(-1);
    EXPECT_EQ(buffer->y(), 2);
    EXPECT_EQ(buffer->x(), 0);
    EXPECT_EQ(buffer->scrollTop(), 0);
    EXPECT_EQ(buffer->scrollBottom(), 3);
    EXPECT_EQ(buffer->yDisp(), 0);
}

// The cursor's row is shown exactly when yBase + y - yDisp lies on the screen.
TEST_F(BufferFixture, CursorInViewPortFollowsTheCursorRow)
{
    struct Case {
        int yBase, yDisp, y;
        bool expected;
    } const cases[] = {
        { 0, 0, 0, true },
        { 30, 30, 3, true }, // at the bottom of the scrollback
        { 30, 28, 3, true }, // scrolled back two rows: row 5 of 24 shown
        { 30, 28, 23, false }, // ... which hides the last two rows
        { 30, 0, 0, false }, // scrolled to the top
    };
    make(10, 24);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.yBase << " " << c.yDisp << " " << c.y);
        buffer->setYBase(c.yBase);
        buffer->setYDisp(c.yDisp);
        buffer->setY(c.y);
        EXPECT_EQ(buffer->isCursorInViewPort(), c.expected);
    }
}

TEST_F(BufferFixture, ClearScrollback)
{
    make(10, 4);
    buffer->savedY = 2;
    buffer->clearScrollback();
    EXPECT_EQ(buffer->lines().count(), 4) << "nothing above the screen: nothing changes";
    EXPECT_EQ(buffer->savedY, 2);

    for (int i = 0; i < 30; i++)
        buffer->lines().push(buffer->getBlankLine(Attribute::empty));
    buffer->setYBase(30);
    buffer->setYDisp(30);
    buffer->savedY = 10;
    BufferLine* top = &buffer->line(30);
    buffer->clearScrollback();
    EXPECT_EQ(buffer->lines().count(), 4);
    EXPECT_EQ(&buffer->line(0), top);
    EXPECT_EQ(buffer->yBase(), 0);
    EXPECT_EQ(buffer->yDisp(), 0);
    EXPECT_EQ(buffer->savedY, 0);
}

TEST_F(BufferFixture, ChangeHistorySize)
{
    make(10, 4, 10);
    for (int i = 0; i < 6; i++)
        buffer->lines().push(buffer->getBlankLine(Attribute::empty));
    buffer->setYBase(6);
    buffer->setYDisp(6);
    BufferLine* newest = &buffer->line(9);

    buffer->changeHistorySize(20);
    EXPECT_EQ(buffer->lines().maxLength(), 24);
    EXPECT_EQ(buffer->lines().count(), 10);
    EXPECT_EQ(&buffer->line(9), newest);

    buffer->changeHistorySize(std::nullopt);
    EXPECT_FALSE(buffer->isReflowEnabled());
    EXPECT_EQ(buffer->lines().maxLength(), 4);
    EXPECT_EQ(buffer->lines().count(), 4);
    EXPECT_EQ(&buffer->line(3), newest) << "the oldest rows go";
    EXPECT_EQ(buffer->yBase(), 0);
}

TEST_F(BufferFixture, FindRowSearchesOutwardsFromTheHint)
{
    make(10, 6);
    std::vector<int> visited;
    const auto none = buffer->findRow(4, [&](const BufferLine& row) {
        visited.push_back(*buffer->absoluteRow(row));
        return false;
    });
    EXPECT_FALSE(none);
    EXPECT_EQ(visited, (std::vector<int> { 4, 5, 3, 2, 1, 0 }));
    BufferLine& second = buffer->line(1);
    EXPECT_EQ(buffer->absoluteRow(second), 1);
    EXPECT_EQ(buffer->getChar({ 0, 99 }), CharData::Null);
}

TEST_F(BufferFixture, ClearEmptiesTheRingAndResetsTheRegion)
{
    make(10, 4);
    buffer->setX(3);
    buffer->setY(2);
    buffer->setScrollTop(1);
    buffer->setMarginLeft(2);
    buffer->semanticInput = SemanticInputState::armed;
    buffer->clear();
    EXPECT_EQ(buffer->lines().count(), 0);
    EXPECT_EQ(buffer->x(), 0);
    EXPECT_EQ(buffer->y(), 0);
    EXPECT_EQ(buffer->scrollTop(), 0);
    EXPECT_EQ(buffer->marginLeft(), 0);
    EXPECT_EQ(buffer->semanticInput, SemanticInputState::idle);
    buffer->fillViewportRows();
    EXPECT_EQ(buffer->lines().count(), 4);
    EXPECT_EQ(buffer->line(0).owningBuffer(), buffer.get());
}

} // namespace
} // namespace zentrova
