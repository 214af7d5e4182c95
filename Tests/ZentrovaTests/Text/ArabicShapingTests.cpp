// Arabic shaping cell by cell: the contextual forms, the lam-alef ligatures, marks and non-joiners,
// and random words checked against ICU's shaper.

#include "Zentrova/Text/TerminalBidi.h"

#include <gtest/gtest.h>
#include <unicode/ushape.h>

#include <random>
#include <string>
#include <vector>

namespace zentrova {
namespace {

using Cell = TerminalBidi::Cell;

// One cell per string, on one row.
std::vector<Cell> cellsOf(const std::vector<std::u32string>& texts)
{
    std::vector<Cell> cells;
    for (const std::u32string& text : texts)
        cells.push_back({ 0, int(cells.size()), 1, text });
    return cells;
}

// What each cell is drawn as: its replacement, or its own text.
std::u32string drawn(const std::vector<Cell>& cells)
{
    const auto shaped = TerminalBidi::shapeArabic(cells);
    std::u32string text;
    for (size_t index = 0; index < cells.size(); index++)
        text += shaped[index].value_or(cells[index].text);
    return text;
}

TEST(ArabicShaping, ChoosesFormsFromBothNeighbours)
{
    struct Case {
        const char* name;
        std::vector<std::u32string> cells;
        std::u32string expected;
    };
    const Case cases[] = {
        { "a lone beh is isolated", { U"\u0628" }, U"\uFE8F" },
        { "two behs: initial, final", { U"\u0628", U"\u0628" }, U"\uFE91\uFE90" },
        { "three behs: initial, medial, final", { U"\u0628", U"\u0628", U"\u0628" }, U"\uFE91\uFE92\uFE90" },
        { "lam alef alone", { U"\u0644", U"\u0627" }, U"\uFEFB " },
        { "lam alef after a joining letter", { U"\u0628", U"\u0644", U"\u0627" }, U"\uFE91\uFEFC " },
        { "lam alef with hamza above", { U"\u0644", U"\u0623" }, U"\uFEF7 " },
        // Alef joins only the letter before it: the beh after it starts afresh.
        { "alef never initial", { U"\u0627", U"\u0628" }, U"\uFE8D\uFE8F" },
        { "alef after beh is final", { U"\u0628", U"\u0627", U"\u0628" }, U"\uFE91\uFE8E\uFE8F" },
        { "a non-joiner keeps both letters isolated", { U"\u0628", U"\u200C", U"\u0628" }, U"\uFE8F\u200C\uFE8F" },
        { "tatweel joins both sides", { U"\u0628", U"\u0640", U"\u0628" }, U"\uFE91\u0640\uFE90" },
        // A mark in its own cell is skipped over and left as it is.
        { "a mark cell between letters", { U"\u0628", U"\u064E", U"\u0628" }, U"\uFE91\u064E\uFE90" },
        { "a mark inside the letter's cell stays on the form", { U"\u0628\u064E", U"\u0628" }, U"\uFE91\u064E\uFE90" },
        { "marks of lam and alef follow the ligature", { U"\u0644\u064E", U"\u0627\u064B" }, U"\uFEFB\u064E\u064B " },
        { "hamza never joins yet takes its isolated form", { U"\u0628", U"\u0621", U"\u0628" }, U"\uFE8F\uFE80\uFE8F" },
        { "a blank cell ends the word", { U"\u0628", U" ", U"\u0628" }, U"\uFE8F \uFE8F" },
        // Both join forward, though neither has a form of its own for it.
        { "alef maksura initial", { U"\u0649", U"\u0628" }, U"\uFBE8\uFE90" },
        { "noon ghunna before lam", { U"\u06BA", U"\u0644" }, U"\uFB9E\uFEDE" },
        { "a Syriac letter joins but has no forms here", { U"\u0712", U"\u0628" }, U"\u0712\uFE90" },
        { "Latin is left alone", { U"a", U"b" }, U"ab" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(drawn(cellsOf(test.cells)), test.expected);
    }
    EXPECT_TRUE(TerminalBidi::shapeArabic({}).empty());
}

TEST(ArabicShaping, UnshapedCellsGetNoReplacement)
{
    const auto shaped = TerminalBidi::shapeArabic(cellsOf({ U"a", U"\u064E", U"\u0628" }));
    ASSERT_EQ(shaped.size(), 3u);
    EXPECT_FALSE(shaped[0]);
    EXPECT_FALSE(shaped[1]);
    EXPECT_EQ(shaped[2], U"\uFE8F");
}

// ICU's shaper over one word, its lam-alef ligature moved to the lam's cell as ours is.
std::u32string icuShaped(const std::u32string& word)
{
    std::vector<UChar> source(word.begin(), word.end());
    std::vector<UChar> target(source.size());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_shapeArabic(source.data(), int32_t(source.size()), target.data(), int32_t(target.size()),
                                         U_SHAPE_LETTERS_SHAPE | U_SHAPE_TEXT_DIRECTION_LOGICAL
                                             | U_SHAPE_LENGTH_FIXED_SPACES_NEAR,
                                         &status);
    EXPECT_FALSE(U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) << u_errorName(status);
    std::u32string shaped(target.begin(), target.begin() + length);
    for (size_t index = 0; index + 1 < shaped.size(); index++) {
        if (shaped[index] == U' ' && shaped[index + 1] >= 0xFEF5 && shaped[index + 1] <= 0xFEFC) {
            std::swap(shaped[index], shaped[index + 1]);
            index++;
        }
    }
    return shaped;
}

// ICU's shaper knows the forms of only some of the extended letters and leaves the others as they
// are, though it joins them: such a cell must hold one of its letter's forms, and its neighbours
// still show how it joins.
bool agreesWithIcu(const std::u32string& word, const std::u32string& ours, const std::u32string& icu)
{
    if (ours.size() != word.size() || icu.size() != word.size())
        return false;
    for (size_t index = 0; index < word.size(); index++) {
        const auto* forms = TerminalBidi::forms(word[index]);
        const bool icuLeftIt = icu[index] == word[index] && forms;
        const char32_t mine = ours[index];
        if (icuLeftIt ? !(mine == forms->isolated || mine == forms->final || mine == forms->initial || mine == forms->medial)
                      : mine != icu[index])
            return false;
    }
    return true;
}

TEST(ArabicShaping, RandomWordsMatchIcu)
{
    // ICU's shaper never joins alef maksura or noon ghunna to the letter after them, though Unicode
    // makes both dual-joining; the fixed cases above hold them.
    std::vector<char32_t> letters;
    for (const auto& entry : TerminalBidi::arabicForms())
        if (entry.letter != 0x0649 && entry.letter != 0x06BA)
            letters.push_back(entry.letter);
    ASSERT_EQ(letters.size(), 74u);
    std::mt19937 random(20261210);
    std::uniform_int_distribution<size_t> pick(0, letters.size() - 1);
    std::uniform_int_distribution<int> length(1, 7);
    int mismatches = 0;
    for (int round = 0; round < 3000; round++) {
        std::u32string word;
        for (int count = length(random); count > 0; count--)
            word += letters[pick(random)];
        std::vector<std::u32string> texts;
        for (char32_t letter : word)
            texts.emplace_back(1, letter);
        if (!agreesWithIcu(word, drawn(cellsOf(texts)), icuShaped(word)) && ++mismatches <= 5) {
            std::string hex;
            for (char32_t letter : word)
                hex += std::to_string(uint32_t(letter)) + " ";
            ADD_FAILURE() << "word (decimal): " << hex;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
} // namespace zentrova
