#include "SearchResultPrinter.h"
#include "Support/ManualMainQueue.h"
#include "ZentrovaTests/Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Search/SearchService.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zentrova {
namespace {

struct SearchFixture : testing::Test {
    std::vector<std::pair<int, int>> places(const std::vector<SearchResult>& results)
    {
        std::vector<std::pair<int, int>> list;
        for (const auto& result : results)
            list.emplace_back(result.row, result.col);
        return list;
    }
    std::optional<std::pair<int, int>> place(const std::optional<SearchResult>& result)
    {
        if (!result)
            return std::nullopt;
        return std::pair { result->row, result->col };
    }

    ManualMainQueue queue;
    Terminal terminal { nullptr, screenSize(10, 5), &queue };
    SearchService search { terminal };
};

TEST_F(SearchFixture, FindsTermsInLogicalLines)
{
    constexpr SearchOptions plain;
    constexpr SearchOptions caseSensitive { .caseSensitive = true };
    constexpr SearchOptions regex { .regex = true };
    constexpr SearchOptions wholeWord { .wholeWord = true };
    struct Case {
        const char* name;
        int cols;
        const char* input;
        const char* term;
        SearchOptions options;
        std::optional<SearchResult> expected;
    };
    const Case cases[] = {
        { "plain text", 20, "hello world", "world", plain, SearchResult { "world", 6, 0, 5 } },
        { "across an auto-wrap", 10, "0123456789abc", "89ab", plain, SearchResult { "89ab", 8, 0, 4 } },
        { "ending on a row's end", 10, "0123456789abc", "6789", plain, SearchResult { "6789", 6, 0, 4 } },
        { "starting on a wrapped row", 10, "0123456789abc", "bc", plain, SearchResult { "bc", 1, 1, 2 } },
        { "wide character before the match", 20, "\xE6\xBC\xA2x", "x", plain, SearchResult { "x", 2, 0, 1 } },
        { "wide character inside the match", 20, "a\xE6\xBC\xA2" "b", "\xE6\xBC\xA2" "b", plain,
          SearchResult { "\xE6\xBC\xA2" "b", 1, 0, 3 } },
        { "wide character moved to the next row", 10, "012345678\xE6\xBC\xA2", "8\xE6\xBC\xA2", plain,
          SearchResult { "8\xE6\xBC\xA2", 8, 0, 4 } },
        { "after a character beyond the basic plane", 20, "\xF0\x9F\x98\x80x", "x", plain,
          SearchResult { "x", 2, 0, 1 } },
        { "after a combining mark", 20, "e\xCC\x81x", "x", plain, SearchResult { "x", 1, 0, 1 } },
        { "a character with its combining mark", 20, "ae\xCC\x81x", "e\xCC\x81", plain,
          SearchResult { "e\xCC\x81", 1, 0, 1 } },
        { "case-insensitive unless asked", 20, "Hello", "hELLO", plain, SearchResult { "hELLO", 0, 0, 5 } },
        { "case-sensitive", 20, "Hello hello", "hello", caseSensitive, SearchResult { "hello", 6, 0, 5 } },
        { "case-sensitive miss", 20, "Hello", "hello", caseSensitive, std::nullopt },
        { "regular expression gives the matched text", 20, "abc123def", "[0-9]+", regex,
          SearchResult { "123", 3, 0, 3 } },
        { "regular expression ignores case unless asked", 20, "ABC", "b+", regex, SearchResult { "B", 1, 0, 1 } },
        { "regular expression across an auto-wrap", 10, "0123456789abc", "9a", regex, SearchResult { "9a", 9, 0, 2 } },
        { "a pattern matching nothing but the empty string", 20, "abc", "x*", regex, std::nullopt },
        { "an invalid pattern", 20, "a(b", "(", regex, std::nullopt },
        { "the same text as plain text", 20, "a(b", "(", plain, SearchResult { "(", 1, 0, 1 } },
        { "plain text is not a pattern", 20, "abc", "a.c", plain, std::nullopt },
        { "trailing blanks are no text", 20, "ab", "b ", plain, std::nullopt },
        { "blanks inside a row are spaces", 20, "ab\x1b[3Ccd", "b   c", plain, SearchResult { "b   c", 1, 0, 5 } },
        { "whole word", 20, "cats cat", "cat", wholeWord, SearchResult { "cat", 5, 0, 3 } },
        { "whole word inside a longer word first", 20, "concat cat", "cat", wholeWord, SearchResult { "cat", 7, 0, 3 } },
        { "whole word next to punctuation", 20, "(cat).", "cat", wholeWord, SearchResult { "cat", 1, 0, 3 } },
        { "whole word with none standing alone", 20, "cats concat", "cat", wholeWord, std::nullopt },
        { "whole word for a pattern", 20, "ab123 ab12", "ab[0-9]{2}", SearchOptions { .regex = true, .wholeWord = true },
          SearchResult { "ab12", 6, 0, 4 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Terminal terminal { nullptr, screenSize(c.cols, 5), &queue };
        terminal.feed(c.input);
        SearchService search { terminal };
        EXPECT_EQ(search.findNext(c.term, c.options), c.expected);
        std::optional<SearchSelection> expectedSelection;
        if (c.expected) {
            const int end = c.expected->col + c.expected->size;
            expectedSelection = SearchSelection { { c.expected->col, c.expected->row },
                                                  { end % c.cols, c.expected->row + end / c.cols } };
        }
        EXPECT_EQ(search.lastSelection, expectedSelection);
    }
}

TEST_F(SearchFixture, AnchorsSeeTheWholeLineWhenSteppingOn)
{
    terminal.feed("catcat");
    const SearchOptions regex { .regex = true };
    EXPECT_EQ(place(search.findNext("\\bcat", regex)), std::pair(0, 0));
    // The second "cat" follows a word character: stepping on must not treat the end of the first
    // match as the start of the text.
    EXPECT_EQ(place(search.findNext("\\bcat", regex)), std::pair(0, 0));
    search.reset();
    EXPECT_EQ(place(search.findNext("^cat", regex)), std::pair(0, 0));
    EXPECT_EQ(place(search.findNext("^cat", regex)), std::pair(0, 0));
}

// Without a time limit each of these rows would take the pattern minutes; with it the first row
// gives up and the rest are not tried. A new term searches normally again.
TEST_F(SearchFixture, APatternThatBacktracksWithoutEndGivesUpAndFindsNothing)
{
    Terminal wide { nullptr, screenSize(40, 20), &queue };
    SearchService service { wide };
    for (int row = 0; row < 19; ++row)
        wide.feed(std::string(34, 'a') + "b\r\n");
    const SearchOptions regex { .regex = true };
    EXPECT_EQ(place(service.findNext("(a|aa)+$", regex)), std::nullopt);
    EXPECT_EQ(place(service.findPrevious("(a|aa)+$", regex)), std::nullopt);
    EXPECT_TRUE(service.findAll("(a|aa)+$", regex, 10).empty());
    EXPECT_EQ(place(service.findNext("a+b", regex)), std::pair(0, 0));
}

TEST_F(SearchFixture, StepsForwardsAndBackwardsWithWrapAround)
{
    terminal.feed("cat\r\ndog cat\r\ncat");
    std::vector<std::pair<int, int>> forwards;
    for (int i = 0; i < 4; i++)
        forwards.push_back(*place(search.findNext("cat")));
    EXPECT_EQ(forwards, (std::vector<std::pair<int, int>> { { 0, 0 }, { 1, 4 }, { 2, 0 }, { 0, 0 } }));

    search.lastSelection.reset();
    std::vector<std::pair<int, int>> backwards;
    for (int i = 0; i < 4; i++)
        backwards.push_back(*place(search.findPrevious("cat")));
    EXPECT_EQ(backwards, (std::vector<std::pair<int, int>> { { 2, 0 }, { 1, 4 }, { 0, 0 }, { 2, 0 } }));

    // Back and forth from the middle.
    search.lastSelection = SearchSelection { { 4, 1 }, { 7, 1 } };
    EXPECT_EQ(place(search.findPrevious("cat")), std::pair(0, 0));
    EXPECT_EQ(place(search.findNext("cat")), std::pair(1, 4));
}

TEST_F(SearchFixture, StepsOverMatchesOnWrappedRows)
{
    // Row 0 "ab ab ab a", row 1 (wrapped) "b ab".
    terminal.feed("ab ab ab ab ab");
    std::vector<std::pair<int, int>> forwards;
    for (int i = 0; i < 6; i++)
        forwards.push_back(*place(search.findNext("ab")));
    EXPECT_EQ(forwards,
              (std::vector<std::pair<int, int>> { { 0, 0 }, { 0, 3 }, { 0, 6 }, { 0, 9 }, { 1, 2 }, { 0, 0 } }));
    std::vector<std::pair<int, int>> backwards;
    for (int i = 0; i < 6; i++)
        backwards.push_back(*place(search.findPrevious("ab")));
    EXPECT_EQ(backwards,
              (std::vector<std::pair<int, int>> { { 1, 2 }, { 0, 9 }, { 0, 6 }, { 0, 3 }, { 0, 0 }, { 1, 2 } }));
}

TEST_F(SearchFixture, SearchesFromARowAfterAWideCharacterMovedOn)
{
    // Row 0 ends in the blank cell the second wide character left when it moved to row 1.
    terminal.feed("\xE6\xBC\xA2" "2345678" "\xE6\xBC\xA2" "z");
    search.lastSelection = SearchSelection { { 0, 1 }, { 2, 1 } };
    EXPECT_EQ(search.findNext("\xE6\xBC\xA2"), (SearchResult { "\xE6\xBC\xA2", 0, 1, 2 }));
    EXPECT_EQ(search.findNext("z"), (SearchResult { "z", 2, 1, 1 }));
}

TEST_F(SearchFixture, ASingleMatchIsFoundAgainInPlace)
{
    terminal.feed("xx cat");
    EXPECT_EQ(place(search.findNext("cat")), std::pair(0, 3));
    EXPECT_EQ(place(search.findNext("cat")), std::pair(0, 3));
    EXPECT_EQ(place(search.findPrevious("cat")), std::pair(0, 3));
}

TEST_F(SearchFixture, AChangedTermSearchesFromTheCurrentMatchStart)
{
    terminal.feed("ab abc abc");
    EXPECT_EQ(place(search.findNext("ab")), std::pair(0, 0));
    EXPECT_EQ(place(search.findNext("ab")), std::pair(0, 3));
    // Typing on: the longer term still matches where the current match is.
    EXPECT_EQ(place(search.findNext("abc")), std::pair(0, 3));
    EXPECT_EQ(place(search.findNext("abc")), std::pair(0, 7));
    // Backwards with a changed term, the current place is tried first.
    EXPECT_EQ(place(search.findPrevious("ab")), std::pair(0, 7));
    EXPECT_EQ(place(search.findPrevious("ab")), std::pair(0, 3));
}

TEST_F(SearchFixture, AnEmptyTermForgetsTheSearch)
{
    terminal.feed("cat cat");
    search.findNext("cat");
    EXPECT_EQ(search.findNext(""), std::nullopt);
    EXPECT_EQ(search.lastSelection, std::nullopt);
    EXPECT_EQ(search.lastResult(), std::nullopt);
    EXPECT_EQ(search.state().cachedSearchTerm, std::nullopt);
    EXPECT_EQ(search.findPrevious("cat"), (SearchResult { "cat", 4, 0, 3 }));
    EXPECT_EQ(search.lastResult(), (SearchResult { "cat", 4, 0, 3 }));
}

TEST_F(SearchFixture, FindsAllInBufferOrderUpToTheLimit)
{
    terminal.feed("aaaaa a\r\nb a");
    EXPECT_EQ(places(search.findAll("a", {}, 100)),
              (std::vector<std::pair<int, int>> { { 0, 0 }, { 0, 1 }, { 0, 2 }, { 0, 3 }, { 0, 4 }, { 0, 6 }, { 1, 2 } }));
    EXPECT_EQ(places(search.findAll("a", {}, 3)), (std::vector<std::pair<int, int>> { { 0, 0 }, { 0, 1 }, { 0, 2 } }));
    // Matches do not overlap.
    EXPECT_EQ(places(search.findAll("aa", {}, 100)), (std::vector<std::pair<int, int>> { { 0, 0 }, { 0, 2 } }));
    EXPECT_TRUE(search.findAll("a", {}, 0).empty());
    EXPECT_TRUE(search.findAll("", {}, 10).empty());
    EXPECT_TRUE(search.findAll("x*", { .regex = true }, 10).empty());
}

TEST_F(SearchFixture, WholeWordsAreFoundAfterOccurrencesInsideWords)
{
    terminal.feed("concat cat\r\ncats cat.");
    EXPECT_EQ(places(search.findAll("cat", { .wholeWord = true }, 10)),
              (std::vector<std::pair<int, int>> { { 0, 7 }, { 1, 5 } }));
    EXPECT_EQ(place(search.findPrevious("cat", { .wholeWord = true })), std::pair(1, 5));
    EXPECT_EQ(place(search.findPrevious("cat", { .wholeWord = true })), std::pair(0, 7));
}

TEST_F(SearchFixture, LineTextsAreReusedForFifteenSecondsOfDisuse)
{
    terminal.feed("abc");
    ASSERT_TRUE(search.findNext("abc"));
    // The screen changes without the search being told: the texts read before still answer.
    terminal.feed("\rxyz");
    queue.advance(std::chrono::seconds(14));
    EXPECT_TRUE(search.findNext("abc"));
    queue.advance(std::chrono::seconds(14));
    EXPECT_TRUE(search.findNext("abc"));
    // Unused for 15 seconds: read again.
    queue.advance(std::chrono::seconds(15));
    EXPECT_EQ(search.findNext("abc"), std::nullopt);
    EXPECT_TRUE(search.findNext("xyz"));
}

TEST_F(SearchFixture, InvalidatingReadsTheScreenAgainAndKeepsTheTerm)
{
    terminal.feed("abc abc");
    search.findNext("abc");
    search.findNext("abc");
    terminal.feed("\rabx");
    search.invalidate();
    EXPECT_EQ(search.lastSelection, std::nullopt);
    EXPECT_EQ(search.state().cachedSearchTerm, "abc");
    EXPECT_EQ(place(search.findNext("abc")), std::pair(0, 4));

    search.reset();
    EXPECT_EQ(search.state().cachedSearchTerm, std::nullopt);
    EXPECT_EQ(search.findAll("abc", {}, 10).size(), 1U);
}

TEST_F(SearchFixture, AnotherActiveBufferIsReadAfresh)
{
    // Without scrollback both screens have as many lines.
    Terminal terminal { nullptr, screenSize(10, 3, 0), &queue };
    SearchService search { terminal };
    terminal.feed("abc");
    ASSERT_TRUE(search.findNext("abc"));
    terminal.feed("\x1b[?1049hxyz");
    EXPECT_EQ(search.findNext("abc"), std::nullopt);
    EXPECT_TRUE(search.findNext("xyz"));
}

} // namespace
} // namespace zentrova
