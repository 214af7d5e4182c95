#include "Zentrova/Screen/CircularBufferLineList.h"
#include "Zentrova/Screen/TerminalImage.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>
#include <vector>

namespace zentrova {
namespace {

using Row = std::shared_ptr<BufferLine>;

// A one-cell row whose cell holds `name`, so rows can be told apart in failure messages.
Row row(char32_t name)
{
    return std::make_shared<BufferLine>(1, CharData(CharData::Null.attribute(), name, 1));
}

std::string names(CircularBufferLineList& ring)
{
    std::string text;
    for (int i = 0; i < ring.count(); i++)
        text += char(ring[i]->translateToString()[0] ? ring[i]->translateToString()[0] : '.');
    return text;
}

TEST(CircularBufferLineList, PushingPastCapacityDropsTheOldestRows)
{
    CircularBufferLineList ring(3);
    int pushed = 0, attached = 0;
    ring.onLinePushed = [&](bool hasImages) {
        pushed++;
        EXPECT_FALSE(hasImages);
    };
    ring.onLineAttached = [&](BufferLine&) { attached++; };
    for (char32_t name : U"ABCD")
        if (name)
            ring.push(row(name));
    EXPECT_EQ(names(ring), "BCD");
    EXPECT_EQ(ring.startIndex(), 1);
    EXPECT_EQ(ring.count(), 3);
    EXPECT_TRUE(ring.isFull());
    EXPECT_EQ(pushed, 4);
    EXPECT_EQ(attached, 4);
}

TEST(CircularBufferLineList, EmptySlotsAreFilledOnFirstReadByTheirSlotNumber)
{
    CircularBufferLineList ring(3);
    std::vector<int> made;
    ring.makeEmpty = [&](int slot) {
        made.push_back(slot);
        return row(char32_t('0' + slot));
    };
    ring.push(row('A')); // slot 0
    ring.trimStart(1);   // start index 1
    const auto& first = ring[5];  // (1 + 5) mod 3 = slot 0, which holds A
    EXPECT_EQ(first->translateToString(), "A");
    EXPECT_TRUE(made.empty());
    auto second = ring[1]; // slot 2
    auto again = ring[1];
    EXPECT_EQ(made, std::vector<int> { 2 });
    EXPECT_EQ(second, again);
}

TEST(CircularBufferLineList, RecycleTurnsTheOldestRowIntoABlankNewestOne)
{
    CircularBufferLineList ring(2);
    auto a = row('A');
    a->setIsWrapped(true);
    a->setImages(BufferLine::Images { std::make_shared<TerminalImage>() });
    a->setSemanticMark(SemanticPromptKind::initial, 0, 1);
    ring.push(a);
    ring.push(row('B'));
    std::vector<bool> recycled;
    ring.onLineRecycled = [&](bool hadImages) { recycled.push_back(hadImages); };

    Attribute red { Attribute::Color::defaultColor, Attribute::Color::ansi256(1), {}, UnderlineStyle::none, std::nullopt };
    ring.recycle(red);
    EXPECT_EQ(ring[0]->translateToString(), "B");
    EXPECT_EQ(ring[1], a);
    EXPECT_EQ((*a)[0], CharData(red, 0, 1));
    EXPECT_FALSE(a->isWrapped());
    EXPECT_FALSE(a->images().has_value());
    EXPECT_TRUE(a->semanticMarks().empty());
    EXPECT_EQ(a->recycleGeneration(), 1u);
    EXPECT_EQ(recycled, std::vector<bool> { true });
}

TEST(CircularBufferLineList, ShiftElementsRefusesRunsOutsideTheRing)
{
    struct Case {
        int start, count, offset;
        const char* message;
    };
    const Case cases[] = {
        { 0, -1, 1, "Assertion at start=0 count=-1 offset=1: count < 0\n" },
        { -1, 1, 2, "Assertion at start=-1 count=1 offset=2: start < 0\n" },
        { 5, 1, 1, "Assertion at start=5 count=1 offset=1: start >= self.count\n" },
        { 0, 1, -1, "Assertion at start=0 count=1 offset=-1: start+offset <= 0\n" },
        { 2, 1, -3, "Assertion at start=2 count=1 offset=-3: start+offset <= 0\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        CircularBufferLineList ring(8);
        for (char32_t name : U"ABCDE")
            if (name)
                ring.push(row(name));
        std::string logged;
        ring.log = [&](std::string_view line) { (logged += line) += '\n'; };
        EXPECT_FALSE(ring.shiftElements(c.start, c.count, c.offset));
        EXPECT_EQ(logged, c.message);
        EXPECT_EQ(names(ring), "ABCDE");
    }
}

TEST(CircularBufferLineList, ShiftElementsCopiesAndLeavesTheVacatedSlots)
{
    CircularBufferLineList ring(8);
    for (char32_t name : U"ABCDE")
        if (name)
            ring.push(row(name));
    EXPECT_TRUE(ring.shiftElements(1, 2, -1));
    EXPECT_EQ(names(ring), "BCCDE");
    EXPECT_EQ(ring[1], ring[2]); // the same row object in both places until the caller replaces one

    EXPECT_TRUE(ring.shiftElements(3, 2, 2));
    EXPECT_EQ(names(ring), "BCCDEDE");
    EXPECT_EQ(ring.count(), 7);
}

TEST(CircularBufferLineList, ChangingTheCapacityKeepsTheOldestRows)
{
    CircularBufferLineList keepOldest(5);
    CircularBufferLineList keepNewest(5);
    for (char32_t name : U"ABCDE") {
        if (name) {
            keepOldest.push(row(name));
            keepNewest.push(row(name));
        }
    }
    keepOldest.setMaxLength(3);
    EXPECT_EQ(keepOldest.count(), 5); // the count is the caller's to fix
    keepOldest.setCount(3);
    EXPECT_EQ(names(keepOldest), "ABC");

    keepNewest.trimStart(2);
    keepNewest.setMaxLength(3);
    EXPECT_EQ(names(keepNewest), "CDE");
    EXPECT_EQ(keepNewest.startIndex(), 0);
}

TEST(CircularBufferLineList, SpliceReportsEveryChangedIndex)
{
    CircularBufferLineList ring(5);
    for (char32_t name : U"ABC")
        if (name)
            ring.push(row(name));
    std::vector<int> changes;
    std::vector<Row> items { row('X') };
    ring.splice(1, 1, items, [&](int index) { changes.push_back(index); });
    EXPECT_EQ(names(ring), "AXC");
    EXPECT_EQ(changes, (std::vector<int> { 1, 2, 1 }));
}

// Inserting into a full ring used to move the tail into the slots of the oldest rows before they were
// dropped, scrambling rows that were kept.
TEST(CircularBufferLineList, SpliceIntoAFullRingDropsTheOldestRows)
{
    CircularBufferLineList ring(4);
    for (char32_t name : U"ABCD")
        if (name)
            ring.push(row(name));
    std::vector<Row> items { row('X'), row('Y') };
    ring.splice(1, 0, items, {});
    EXPECT_EQ(names(ring), "YBCD"); // AXYBCD without its two oldest
    ring.splice(0, 0, std::vector<Row> { row('Z') }, {});
    EXPECT_EQ(names(ring), "YBCD"); // the inserted row was the oldest and fell out
}

// The ring against a plain list of the same rows under a long random run of every operation.
TEST(CircularBufferLineList, BehavesLikeABoundedListUnderRandomOperations)
{
    constexpr int capacity = 7;
    std::mt19937 random(20261210);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };

    CircularBufferLineList ring(capacity);
    std::deque<Row> model;
    char32_t nextName = 'a';
    auto fresh = [&] {
        auto made = row(nextName);
        nextName = nextName == 'z' ? 'a' : nextName + 1;
        return made;
    };
    auto bound = [&] {
        while (int(model.size()) > capacity)
            model.pop_front();
    };

    for (int step = 0; step < 20000; step++) {
        int count = int(model.size());
        std::string operation;
        switch (pick(0, 4)) {
        case 0: {
            operation = "push";
            auto added = fresh();
            ring.push(added);
            model.push_back(added);
            bound();
            break;
        }
        case 1:
            if (!ring.isFull())
                continue;
            operation = "recycle";
            ring.recycle(Attribute::empty);
            model.push_back(model.front());
            model.pop_front();
            break;
        case 2: {
            int start = pick(0, count);
            int deleteCount = pick(0, count - start);
            std::vector<Row> items;
            for (int i = pick(0, 3); i > 0; i--)
                items.push_back(fresh());
            operation = "splice " + std::to_string(start) + " " + std::to_string(deleteCount) + " "
                + std::to_string(items.size());
            int newCount = std::min(count - deleteCount + int(items.size()), capacity);
            ring.splice(start, deleteCount, items, [&](int index) {
                EXPECT_GE(index, 0);
                EXPECT_LT(index, newCount);
            });
            model.erase(model.begin() + start, model.begin() + start + deleteCount);
            model.insert(model.begin() + start, items.begin(), items.end());
            bound();
            break;
        }
        case 3: {
            int n = pick(0, 3);
            operation = "trim " + std::to_string(n);
            ring.trimStart(n);
            for (int i = 0; i < n && !model.empty(); i++)
                model.pop_front();
            break;
        }
        default: {
            if (count < 2)
                continue;
            int start = pick(1, count - 1);
            int offset = pick(0, 1) ? pick(1, count - start) : -pick(1, start);
            int runLength = pick(0, count - start);
            operation = "shift " + std::to_string(start) + " " + std::to_string(runLength) + " "
                + std::to_string(offset);
            ASSERT_TRUE(ring.shiftElements(start, runLength, offset));
            std::vector<Row> run(model.begin() + start, model.begin() + start + runLength);
            if (start + runLength + offset > int(model.size()))
                model.resize(size_t(start + runLength + offset));
            for (int i = 0; i < runLength; i++)
                model[size_t(start + i + offset)] = run[size_t(i)];
            bound();
            break;
        }
        }
        SCOPED_TRACE("step " + std::to_string(step) + ": " + operation);
        ASSERT_EQ(ring.count(), int(model.size()));
        for (int i = 0; i < ring.count(); i++)
            ASSERT_EQ(ring[i], model[size_t(i)]) << "index " << i;
    }
}

TEST(CircularList, GenericRingFillsEmptySlotsAndDropsTheOldest)
{
    CircularList<int> ring(3);
    ring.makeEmpty = [](int slot) { return 100 + slot; };
    EXPECT_EQ(ring[2], 102);
    ring.push(1);
    ring.push(2);
    ring.push(3);
    ring.push(4);
    EXPECT_EQ(ring.count(), 3);
    EXPECT_EQ(ring[0], 2);
    EXPECT_EQ(ring[2], 4);
    ring.recycle();
    EXPECT_EQ(ring[0], 3);
    EXPECT_EQ(ring[2], 2);
    ring.set(1, 9);
    EXPECT_EQ(ring[1], 9);
}

} // namespace
} // namespace zentrova
