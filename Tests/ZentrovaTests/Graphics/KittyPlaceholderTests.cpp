#include "Zentrova/Graphics/KittyPlaceholder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrova {
namespace {

using Color = Attribute::Color;
namespace Placeholder = KittyPlaceholder;

Attribute withColors(Color foreground, std::optional<Color> underline = std::nullopt)
{
    Attribute attribute = Attribute::empty;
    attribute.fg = foreground;
    attribute.underlineColor = underline;
    return attribute;
}

std::u32string placeholder(std::u32string marks = {})
{
    return std::u32string(1, Placeholder::placeholderCharacter) + marks;
}

TEST(KittyPlaceholder, NumbersTheMarksInAscendingOrder)
{
    const auto marks = Placeholder::diacritics();
    ASSERT_EQ(marks.size(), 297u);
    EXPECT_TRUE(std::is_sorted(marks.begin(), marks.end()));
    EXPECT_EQ(std::adjacent_find(marks.begin(), marks.end()), marks.end());
    const struct {
        char32_t mark;
        std::optional<int> index;
    } cases[] = {
        { 0x305, 0 }, { 0x30D, 1 }, { 0x30E, 2 }, { 0x310, 3 }, { 0x312, 4 }, { 0x33D, 5 },
        { 0x1D244, 296 }, { 0x1D242, 294 }, { 0x300, std::nullopt }, { 0x30F, std::nullopt }, { 'a', std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Placeholder::diacriticIndex(c.mark), c.index) << std::hex << uint32_t(c.mark);
}

TEST(KittyPlaceholder, DecodesIdsAndPositionFromColorsAndMarks)
{
    const struct {
        const char* name;
        std::u32string character;
        Attribute attribute;
        KittyPlaceholderCell expected;
    } cases[] = {
        { "bare placeholder with a palette foreground", placeholder(), withColors(Color::ansi256(5)),
          { .row = 2, .col = 7, .imageId = 5 } },
        { "three marks give row, column and high byte", placeholder(U"\u030D\u0310\u0312"),
          withColors(Color::trueColor(1, 2, 3)),
          { .row = 2, .col = 7, .imageId = 0x04010203, .placeholderRow = 1, .placeholderCol = 3, .msb = 4 } },
        { "a mark outside the table is skipped", placeholder(U"\u030D\u0300\u0310"), withColors(Color::ansi256(9)),
          { .row = 2, .col = 7, .imageId = 9, .placeholderRow = 1, .placeholderCol = 3 } },
        { "marks past the third are ignored", placeholder(U"\u0305\u0305\u030D\u0312"), withColors(Color::ansi256(1)),
          { .row = 2, .col = 7, .imageId = 0x01000001, .msb = 1 } },
        { "the high byte clamps at 255", placeholder(U"\u0305\u0305" + std::u32string(1, 0x1D244)),
          withColors(Color::ansi256(1)), { .row = 2, .col = 7, .imageId = 0xFF000001, .msb = 296 } },
        { "placement id from a true-colour underline", placeholder(), withColors(Color::ansi256(1), Color::trueColor(0, 1, 2)),
          { .row = 2, .col = 7, .imageId = 1, .placementId = 0x102 } },
        { "default colours carry no ids", placeholder(), withColors(Color::defaultColor, Color::defaultColor),
          { .row = 2, .col = 7 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Placeholder::decode(c.character, c.attribute, 2, 7, std::nullopt, nullptr), c.expected);
    }
}

TEST(KittyPlaceholder, OtherCharactersAreNotPlaceholders)
{
    const Attribute attribute = withColors(Color::ansi256(5));
    EXPECT_FALSE(Placeholder::decode(U"a\u0305\u0305", attribute, 0, 0, std::nullopt, nullptr));
    EXPECT_FALSE(Placeholder::decode(U"\u0305" + placeholder(), attribute, 0, 0, std::nullopt, nullptr));
    EXPECT_FALSE(Placeholder::decode(U"", attribute, 0, 0, std::nullopt, nullptr));
}

// A row decoded left to right, as the row layout does: each cell gets its left neighbour when that
// one was a placeholder. Returns (row, column) inside the image for each cell, (-1, -1) for none.
std::vector<std::pair<int, int>> decodeRow(const std::vector<std::pair<std::u32string, Attribute>>& cells)
{
    std::vector<std::pair<int, int>> positions;
    std::optional<KittyPlaceholderCell> previous;
    const Attribute* previousAttribute = nullptr;
    for (size_t col = 0; col < cells.size(); ++col) {
        const auto& [character, attribute] = cells[col];
        const auto cell = Placeholder::decode(character, attribute, 4, int(col), previous, previousAttribute);
        positions.push_back(cell ? std::pair { cell->placeholderRow, cell->placeholderCol } : std::pair { -1, -1 });
        previous = cell;
        previousAttribute = cell ? &attribute : nullptr;
    }
    return positions;
}

TEST(KittyPlaceholder, BareCellsContinueTheirLeftNeighbour)
{
    const Attribute image = withColors(Color::ansi256(5), Color::ansi256(2));
    const Attribute otherPlacement = withColors(Color::ansi256(5), Color::ansi256(3));
    const Attribute otherImage = withColors(Color::ansi256(6), Color::ansi256(2));
    const Attribute text = Attribute::empty;
    using Row = std::vector<std::pair<int, int>>;

    EXPECT_EQ(decodeRow({ { placeholder(U"\u0305\u0305"), image }, { placeholder(), image }, { placeholder(), image } }),
              (Row { { 0, 0 }, { 0, 1 }, { 0, 2 } }));
    EXPECT_EQ(decodeRow({ { placeholder(U"\u030D\u030D"), image }, { placeholder(), image }, { placeholder(), otherPlacement } }),
              (Row { { 1, 1 }, { 1, 2 }, { 0, 0 } }))
        << "another underline colour restarts";
    EXPECT_EQ(decodeRow({ { placeholder(U"\u030D\u030D"), image }, { placeholder(), otherImage } }), (Row { { 1, 1 }, { 0, 0 } }))
        << "another foreground restarts";
    EXPECT_EQ(decodeRow({ { placeholder(U"\u030D\u030D"), image }, { U"x", text }, { placeholder(), image } }),
              (Row { { 1, 1 }, { -1, -1 }, { 0, 0 } }))
        << "a gap restarts";
    EXPECT_EQ(decodeRow({ { placeholder(U"\u030D\u0310"), image }, { placeholder(U"\u030D"), image }, { placeholder(U"\u0305"), image } }),
              (Row { { 1, 3 }, { 1, 4 }, { 0, 0 } }))
        << "a row mark alone continues only the same image row";
}

TEST(KittyPlaceholder, HighByteCarriesOverOnlyWhileTheCellsContinue)
{
    const Attribute image = withColors(Color::ansi256(5));
    const auto first = Placeholder::decode(placeholder(U"\u0305\u0305\u030D"), image, 0, 0, std::nullopt, nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->imageId, 0x01000005u);
    const struct {
        const char* name;
        std::u32string marks;
        int col;
        uint32_t imageId;
    } cases[] = {
        { "no marks", U"", 1, 0x01000005 },
        { "row mark", U"\u0305", 1, 0x01000005 },
        { "row and next column", U"\u0305\u030D", 1, 0x01000005 },
        { "row and a column that skips", U"\u0305\u0310", 1, 5 },
        { "not adjacent", U"", 2, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto cell = Placeholder::decode(placeholder(c.marks), image, 0, c.col, first, &image);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->imageId, c.imageId);
    }
}

} // namespace
} // namespace zentrova
