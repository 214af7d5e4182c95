#include "Zentrova/Screen/CharSets.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrova {
namespace {

TEST(CharSets, EveryDesignatorHasItsSet)
{
    const auto& all = CharSets::all();
    std::string keys;
    for (const auto& [designator, set] : all)
        keys += char(designator);
    EXPECT_EQ(keys, "024567=ABCEHKQRYZ");

    struct Case {
        char designator;
        size_t entries;
    };
    const Case cases[] = {
        { '0', 31 }, { 'A', 1 }, { 'B', 0 }, { '4', 9 }, { 'C', 9 }, { 'R', 9 },  { 'Q', 10 },
        { 'K', 8 },  { 'Y', 10 }, { 'E', 10 }, { 'Z', 8 }, { 'H', 10 }, { '=', 12 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.designator);
        EXPECT_EQ(all.at(uint8_t(c.designator)).size(), c.entries);
    }
    // Designators that name one set share its map.
    EXPECT_EQ(all.at('0'), all.at('2'));
    EXPECT_EQ(all.at('C'), all.at('5'));
    EXPECT_EQ(all.at('E'), all.at('6'));
    EXPECT_EQ(all.at('H'), all.at('7'));
}

TEST(CharSets, ReplacementsOfLineDrawingAndNationalSets)
{
    struct Case {
        char designator;
        char byte;
        const char* replacement; // nullptr: the byte prints as itself
    };
    const Case cases[] = {
        { '0', '`', "◆" }, { '0', 'j', "┘" }, { '0', 'q', "─" }, { '0', 'x', "│" }, { '0', '}', "£" },
        { '0', '~', "·" }, { '0', '_', nullptr }, { '0', 'A', nullptr }, { 'A', '#', "£" }, { 'A', '@', nullptr },
        { 'B', '#', nullptr }, { '4', ']', "|" }, { '4', '|', "f" }, { '4', '[', "ĳ" }, { 'K', '~', "ß" },
        { 'K', '#', nullptr }, { '=', '_', "è" }, { 'Z', '~', nullptr }, { 'Q', '^', "î" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.designator) + " " + c.byte);
        const auto& set = CharSets::all().at(uint8_t(c.designator));
        auto found = set.find(uint8_t(c.byte));
        if (!c.replacement) {
            EXPECT_EQ(found, set.end());
            continue;
        }
        ASSERT_NE(found, set.end());
        EXPECT_EQ(found->second, c.replacement);
    }
}

} // namespace
} // namespace zentrova
