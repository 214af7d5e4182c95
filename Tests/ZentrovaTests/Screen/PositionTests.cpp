#include "Zentrova/Screen/Line.h"
#include "Zentrova/Screen/Position.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(Position, OrdersByRowThenColumn)
{
    using Result = Position::CompareResult;
    struct Case {
        Position a, b;
        Result result;
    };
    const Case cases[] = {
        { { 5, 1 }, { 0, 2 }, Result::before }, // the row decides
        { { 0, 2 }, { 5, 1 }, Result::after },
        { { 5, 2 }, { 0, 2 }, Result::after },
        { { 0, 2 }, { 5, 2 }, Result::before },
        { { 3, 3 }, { 3, 3 }, Result::equal },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a.debugDescription() + " vs " + c.b.debugDescription());
        EXPECT_EQ(Position::compare(c.a, c.b), c.result);
    }
    EXPECT_EQ((Position { 4, -2 }).debugDescription(), "col=4 row=-2");
}

TEST(Line, LengthAndDebugText)
{
    Line line;
    EXPECT_EQ(line.debugDescription(), "[]");
    line.add({ "ab", 0, 0, 2 });
    line.add({ "c", 1, 0, 1 });
    EXPECT_EQ(line.length(), 3);
    EXPECT_EQ(line.debugDescription(), "2/3: [ab][c][");

    Line withEmpty;
    withEmpty.add({ "abc", 0, 0, 3 });
    withEmpty.add({ "", 1, 0, 0 });
    EXPECT_EQ(withEmpty.length(), 3);
    EXPECT_EQ(withEmpty.fragments().size(), 2u);

    Line absent;
    absent.add({ std::nullopt, 0, 0, 0 });
    EXPECT_EQ(absent.debugDescription(), "1/0: [][");

    Line newline;
    newline.add({ "\n", 0, 0, 1 });
    EXPECT_EQ(newline.debugDescription(), "1/1: [\\n][");
}

} // namespace
} // namespace zentrova
