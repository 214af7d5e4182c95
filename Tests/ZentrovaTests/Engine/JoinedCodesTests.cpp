// The remembered joins: the small table in front of the map must never hand back another key's
// code, however many keys share its slots.

#include "Zentrova/Engine/JoinedCodes.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace zentrova {
namespace {

uint64_t pairKey(uint32_t cellCode, char32_t scalar)
{
    return uint64_t(cellCode) << 32 | scalar;
}

TEST(JoinedCodes, ManyMoreKeysThanSlotsEachKeepTheirOwnCode)
{
    JoinedCodes codes;
    // Lone scalars (cell code 0) and pairs, thousands of them, so slots are shared many times over.
    for (uint32_t k = 0; k < 4000; k++) {
        codes.remember(pairKey(0, 0x1F300 + k), 0x400001 + k);
        codes.remember(pairKey(0x400001 + k, 0x200D), k % 3 == 0 ? 0 : 0x500000 + k);
    }
    EXPECT_EQ(codes.size(), 8000u);
    // Twice over: the first pass refills the table from the map, the second reads what it kept.
    for (int pass = 0; pass < 2; pass++) {
        for (uint32_t k = 0; k < 4000; k++) {
            ASSERT_EQ(codes.find(pairKey(0, 0x1F300 + k)), 0x400001 + k) << k;
            ASSERT_EQ(codes.find(pairKey(0x400001 + k, 0x200D)), k % 3 == 0 ? 0 : 0x500000 + k) << k;
        }
    }
    EXPECT_EQ(codes.find(pairKey(0, 0x1F300 + 4000)), std::nullopt);
    EXPECT_EQ(codes.find(pairKey(0x400001, 0xFE0F)), std::nullopt);
}

TEST(JoinedCodes, AKeyRememberedTwiceKeepsItsFirstCodeAndClearForgetsEverything)
{
    JoinedCodes codes;
    codes.remember(pairKey(0, 0x1F600), 0x400001);
    codes.remember(pairKey(0, 0x1F600), 0x400002);
    EXPECT_EQ(codes.find(pairKey(0, 0x1F600)), 0x400001u);
    codes.clear();
    EXPECT_EQ(codes.size(), 0u);
    EXPECT_EQ(codes.find(pairKey(0, 0x1F600)), std::nullopt);
}

} // namespace
} // namespace zentrova
