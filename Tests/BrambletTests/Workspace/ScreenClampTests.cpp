#include "Bramblet/Workspace/ScreenClamp.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

TEST(ScreenClamp, KeepsAMarginToEveryEdgeAndShrinksToSmallScreens)
{
    struct Case {
        const char* name;
        QRect frame;
        QRect visible;
        QRect expected;
    };
    const Case cases[] = {
        { "small screen shrinks below the minimum size", { 0, 0, 1440, 900 }, { 0, 0, 1280, 800 },
          { 24, 24, 1232, 752 } },
        { "large screen keeps a centred window", { 240, 150, 1440, 900 }, { 0, 0, 1920, 1200 },
          { 240, 150, 1440, 900 } },
        { "too close to the top left", { 5, 10, 800, 600 }, { 0, 0, 1920, 1200 }, { 24, 24, 800, 600 } },
        { "past the bottom right", { 1500, 900, 800, 600 }, { 0, 0, 1920, 1200 }, { 1096, 576, 800, 600 } },
        { "screen with a panel and an offset origin", { 0, 0, 1440, 900 }, { 1920, 32, 1600, 868 },
          { 1944, 56, 1440, 820 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(clampToScreen(c.frame, c.visible), c.expected);
    }
}

} // namespace
} // namespace bramblet
