#include "SearchResultPrinter.h"
#include "Support/ManualMainQueue.h"
#include "ZentrovaTests/Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Search/SearchService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zentrova {
namespace {

constexpr int cols = 20;

// A long scrollback of generated lines: a character with a combining mark, a run of "x", wide
// characters (which move to the next row when only one cell is left) and, on every fourth line,
// "needle", which often runs across an auto-wrap. The expected places are worked out from the
// cells each part takes, independently of the search.
struct GeneratedScrollback {
    explicit GeneratedScrollback(int lineCount)
    {
        int lineStartRow = 0;
        for (int i = 0; i < lineCount; i++) {
            std::string line = "e\xCC\x81" + std::string(size_t(i % 17), 'x');
            int cell = 1 + i % 17;
            for (int w = 0; w < i % 3; w++) {
                line += "\xE6\xBC\xA2";
                if (cell % cols == cols - 1)
                    cell++;
                cell += 2;
            }
            if (i % 4 == 0) {
                line += "needle";
                needles.push_back(SearchResult { "needle", cell % cols, lineStartRow + cell / cols, 6 });
                cell += 6;
            }
            line += " end\r\n";
            cell += 4;
            text += line;
            lineStartRow += (cell + cols - 1) / cols;
        }
    }

    std::string text;
    std::vector<SearchResult> needles;
};

struct SearchScrollbackFixture : testing::Test {
    void SetUp() override { terminal.feed(generated.text); }

    ManualMainQueue queue;
    Terminal terminal { nullptr, screenSize(cols, 5, 10000), &queue };
    SearchService search { terminal };
    GeneratedScrollback generated { 3000 };
};

TEST_F(SearchScrollbackFixture, FindsEveryMatchInTheScrollback)
{
    ASSERT_EQ(generated.needles.size(), 750U);
    // Some needles run across an auto-wrap, some follow a wide character that moved on.
    EXPECT_TRUE(std::any_of(generated.needles.begin(), generated.needles.end(),
                            [](const SearchResult& needle) { return needle.col + needle.size > cols; }));
    EXPECT_EQ(search.findAll("needle", {}, 100000), generated.needles);
    auto upperCase = generated.needles;
    for (auto& needle : upperCase)
        needle.term = "NEEDLE";
    EXPECT_EQ(search.findAll("NEEDLE", {}, 100000), upperCase);

    EXPECT_EQ(search.findAll("ne+dle", { .regex = true }, 100000), generated.needles);
    EXPECT_EQ(search.findAll("needle", {}, 2),
              std::vector<SearchResult>(generated.needles.begin(), generated.needles.begin() + 2));
}

TEST_F(SearchScrollbackFixture, StepsThroughEveryMatchBothWays)
{
    std::vector<SearchResult> forwards;
    for (size_t i = 0; i < generated.needles.size(); i++)
        forwards.push_back(search.findNext("needle").value_or(SearchResult {}));
    EXPECT_EQ(forwards, generated.needles);
    EXPECT_EQ(search.findNext("needle"), generated.needles.front());

    search.lastSelection.reset();
    std::vector<SearchResult> backwards;
    for (size_t i = 0; i < generated.needles.size(); i++)
        backwards.push_back(search.findPrevious("needle").value_or(SearchResult {}));
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, generated.needles);
    EXPECT_EQ(search.findPrevious("needle"), generated.needles.back());
}

} // namespace
} // namespace zentrova
