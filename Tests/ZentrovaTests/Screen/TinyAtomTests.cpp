#include "Zentrova/Screen/CharData.h"
#include "Zentrova/Screen/PayloadCodes.h"
#include "Zentrova/Screen/TinyAtom.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace zentrova {
namespace {

std::string link(const TinyAtom& atom)
{
    auto value = atom.target();
    return value.has_value() ? std::any_cast<std::string>(value) : std::string("<none>");
}

TEST(TinyAtom, ValuesAreKeptUntilReleasedAndEqualValuesGetTheirOwnCodes)
{
    auto first = TinyAtom::lookup(std::string("https://a.example"));
    auto second = TinyAtom::lookup(std::string("https://a.example"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->code, 0);
    EXPECT_NE(first->code, second->code);
    EXPECT_EQ(link(*first), "https://a.example");

    CharData cell;
    cell.setPayload(*first);
    EXPECT_TRUE(cell.hasPayload());
    EXPECT_EQ(std::any_cast<std::string>(cell.getPayload()), "https://a.example");

    first->release();
    EXPECT_FALSE(cell.getPayload().has_value());
    EXPECT_EQ(link(*second), "https://a.example");
    second->release();
    EXPECT_FALSE(TinyAtom {}.target().has_value());
}

TEST(TinyAtom, ReleasingZeroOrAReleasedCodeChangesNothing)
{
    auto atom = TinyAtom::lookup(std::string("kept"));
    ASSERT_TRUE(atom);
    auto used = TinyAtom::usedCount();
    TinyAtom::release(uint16_t(0));
    EXPECT_EQ(TinyAtom::usedCount(), used);
    EXPECT_EQ(link(*atom), "kept");

    atom->release();
    atom->release();
    EXPECT_EQ(TinyAtom::usedCount(), used - 1);
    // Released twice, the code must still be handed out only once.
    auto a = TinyAtom::lookup(1);
    auto b = TinyAtom::lookup(2);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->code, b->code);
    a->release();
    b->release();
}

// Once all 65534 codes were handed out the table used to refuse every later link for the rest of the
// process, even after every code came back.
TEST(TinyAtom, ReleasedCodesAreHandedOutAgainWhenTheTableIsFull)
{
    std::vector<TinyAtom> taken;
    while (auto atom = TinyAtom::lookup(int(taken.size())))
        taken.push_back(*atom);
    ASSERT_GT(taken.size(), 60000u);
    EXPECT_EQ(TinyAtom::lookup(0), std::nullopt);

    auto freed = taken[1234];
    freed.release();
    auto again = TinyAtom::lookup(std::string("reused"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->code, freed.code);
    EXPECT_EQ(link(*again), "reused");
    taken[1234] = *again;

    std::vector<uint16_t> codes;
    for (auto atom : taken)
        codes.push_back(atom.code);
    TinyAtom::release(codes);
    EXPECT_TRUE(TinyAtom::lookup(std::string("after")).has_value());
}

TEST(PayloadCodes, CollectionReleasesOnlyCodesNoCellHolds)
{
    std::vector<TinyAtom> atoms;
    for (int i = 0; i < 4; i++)
        atoms.push_back(*TinyAtom::lookup(std::string("link") + std::to_string(i)));
    auto used = TinyAtom::usedCount();
    {
        PayloadCodes held;
        for (auto atom : atoms)
            held.insert(atom.code);
        EXPECT_FALSE(held.needsCollection());

        EXPECT_EQ(held.collect({ atoms[1].code, atoms[3].code }), 2u);
        EXPECT_EQ(held.size(), 2u);
        EXPECT_FALSE(atoms[0].target().has_value());
        EXPECT_EQ(link(atoms[1]), "link1");
        EXPECT_FALSE(atoms[2].target().has_value());
        EXPECT_EQ(link(atoms[3]), "link3");
        EXPECT_EQ(TinyAtom::usedCount(), used - 2);
    }
    // The terminal is gone, and so are the codes it still held.
    EXPECT_FALSE(atoms[1].target().has_value());
    EXPECT_EQ(TinyAtom::usedCount(), used - 4);
}

TEST(PayloadCodes, ThresholdRisesWhileMostCodesStayInUse)
{
    PayloadCodes held;
    std::unordered_set<uint16_t> live;
    for (size_t i = 0; i < PayloadCodes::collectionThreshold; i++) {
        auto atom = TinyAtom::lookup(int(i));
        ASSERT_TRUE(atom);
        held.insert(atom->code);
        live.insert(atom->code);
    }
    ASSERT_TRUE(held.needsCollection());
    EXPECT_EQ(held.collect(live), 0u);
    // Every code is still on screen: scanning again for the next link would find nothing to free.
    auto next = TinyAtom::lookup(-1);
    held.insert(next->code);
    EXPECT_FALSE(held.needsCollection());
}

// A program printing a new link per line (a log viewer, `ls --hyperlink` in a loop) must be able to
// go on forever: the terminal collects the codes that scrolled away.
TEST(PayloadCodes, AMillionLinksInARowKeepWorking)
{
    constexpr int columns = 80;
    std::array<CharData, columns> screen {};
    PayloadCodes held;
    for (int i = 0; i < 1000000; i++) {
        auto atom = TinyAtom::lookup(std::string("https://example.com/") + std::to_string(i));
        ASSERT_TRUE(atom) << "link " << i;
        held.insert(atom->code);
        auto& cell = screen[size_t(i % columns)];
        cell.setPayload(*atom);
        if (held.needsCollection()) {
            std::unordered_set<uint16_t> live;
            for (const auto& onScreen : screen) {
                if (onScreen.hasPayload())
                    live.insert(onScreen.payload().code);
            }
            held.collect(live);
        }
        if (i % 9973 == 0) {
            ASSERT_EQ(std::any_cast<std::string>(cell.getPayload()), "https://example.com/" + std::to_string(i));
        }
    }
    // 1,000,000 is a multiple of 80: column c holds link 999,920 + c.
    for (int col = 0; col < columns; col++) {
        EXPECT_EQ(std::any_cast<std::string>(screen[size_t(col)].getPayload()),
                  "https://example.com/" + std::to_string(999920 + col));
    }
    EXPECT_LE(held.size(), 2 * PayloadCodes::collectionThreshold);
}

} // namespace
} // namespace zentrova
