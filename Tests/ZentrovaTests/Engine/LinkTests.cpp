#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"

#include "Zentrova/Engine/ImplicitLinkRegex.h"
#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace zentrova {
namespace {

using Range = LinkMatch::ColumnRange;
using RowRanges = std::vector<LinkMatch::RowRange>;

struct LinkFixture : testing::Test {
    std::optional<LinkMatch> at(int col, int row, LinkLookupMode mode = LinkLookupMode::explicitAndImplicit)
    {
        return terminal.linkMatch(LinkLookupLocation::buffer({ col, row }), mode);
    }
    std::optional<std::string> textAt(int col, int row)
    {
        return terminal.link(LinkLookupLocation::buffer({ col, row }), LinkLookupMode::explicitAndImplicit);
    }
    // Prints `text` under a link to `uri`, as OSC 8 would.
    void writeLink(std::string_view uri, std::string_view text)
    {
        terminal.activeHyperlink = "id=1;" + std::string(uri);
        terminal.feed(text);
        terminal.activeHyperlink.reset();
    }

    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, screenSize(20, 5) };
};

TEST(ImplicitLinkRegexTests, PatternIsCompiledOnceAsWritten)
{
    EXPECT_EQ(implicitLinkPattern.size(), 704u);
    ASSERT_NE(implicitLinkRegex(), nullptr);
    EXPECT_EQ(implicitLinkRegex(), implicitLinkRegex());
}

TEST_F(LinkFixture, ExplicitLinkCoversItsCellsOnTheRow)
{
    terminal.feed("see ");
    writeLink("https://x.example", "here");
    terminal.feed(" now https://y.example");

    const auto match = at(5, 0);
    ASSERT_TRUE(match);
    EXPECT_EQ(*match, (LinkMatch { "https://x.example", 0, Range { 4, 8 }, true, RowRanges { { 0, Range { 4, 8 } } } }));
    EXPECT_EQ(at(3, 0, LinkLookupMode::explicitOnly), std::nullopt);
    EXPECT_EQ(at(8, 0, LinkLookupMode::explicitOnly), std::nullopt);
}

TEST_F(LinkFixture, LinksWrittenWithOsc8)
{
    terminal.feed("see \x1b]8;;https://x.example\x1b\\here\x1b]8;;\x1b\\ and "
                  "\x1b]8;id=7;https://y.example\x1b\\that\x1b]8;;\x1b\\");
    const auto first = at(5, 0, LinkLookupMode::explicitOnly);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text, "https://x.example");
    EXPECT_EQ(first->range, (Range { 4, 8 }));
    const auto second = at(14, 0, LinkLookupMode::explicitOnly);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text, "https://y.example") << "parameters are not part of the URI";
    EXPECT_EQ(second->range, (Range { 13, 17 }));
    EXPECT_EQ(at(9, 0, LinkLookupMode::explicitOnly), std::nullopt) << "the link ended before the space";
}

TEST_F(LinkFixture, ExplicitLinkAcrossAWrappedRowIsTwoMatches)
{
    terminal.feed("go ");
    writeLink("https://x.example", "0123456789abcdefghijKLM");
    const auto upper = at(10, 0);
    const auto lower = at(1, 1);
    ASSERT_TRUE(upper);
    ASSERT_TRUE(lower);
    EXPECT_EQ(upper->text, "https://x.example");
    EXPECT_EQ(upper->rowRanges, (RowRanges { { 0, Range { 3, 20 } } }));
    EXPECT_EQ(lower->text, "https://x.example");
    EXPECT_EQ(lower->row, 1);
    EXPECT_EQ(lower->rowRanges, (RowRanges { { 1, Range { 0, 6 } } }));
}

TEST_F(LinkFixture, ExplicitLinkWinsOverTheTextItShows)
{
    writeLink("https://real.example", "https://s.io");
    terminal.feed(" ~/n.txt");
    EXPECT_EQ(textAt(2, 0), "https://real.example");
    EXPECT_EQ(textAt(15, 0), "~/n.txt") << "the plain text after it is an implicit link";
}

TEST_F(LinkFixture, RightHalfOfAWideCharacterBelongsToItsLink)
{
    terminal.feed("a");
    writeLink("https://wide.example", "\xE6\xBC\xA2\xE5\xAD\x97");
    const auto match = at(2, 0, LinkLookupMode::explicitOnly);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->range, (Range { 1, 5 }));
}

TEST_F(LinkFixture, StoredTextWithoutAUriIsNoExplicitLink)
{
    terminal.activeHyperlink = std::string("no separator");
    terminal.feed("https://z.example");
    terminal.activeHyperlink.reset();
    EXPECT_EQ(at(3, 0, LinkLookupMode::explicitOnly), std::nullopt);
    const auto implicit = at(3, 0);
    ASSERT_TRUE(implicit);
    EXPECT_FALSE(implicit->isExplicit);
    EXPECT_EQ(implicit->text, "https://z.example");
}

TEST_F(LinkFixture, ScreenLocationsCountFromTheTopRowDisplayed)
{
    for (int i = 0; i < 8; i++)
        terminal.feed("line\r\n");
    terminal.feed("at https://q.example");
    const int yDisp = terminal.buffer().yDisp();
    ASSERT_GT(yDisp, 0);
    const auto onScreen = terminal.linkMatch(LinkLookupLocation::screen({ 5, 4 }), LinkLookupMode::explicitAndImplicit);
    ASSERT_TRUE(onScreen);
    EXPECT_EQ(onScreen->row, yDisp + 4);
    EXPECT_EQ(onScreen, at(5, yDisp + 4));
    EXPECT_EQ(terminal.link(LinkLookupLocation::screen({ 5, 99 }), LinkLookupMode::explicitAndImplicit), "https://q.example")
        << "rows beyond the buffer are clamped to its last row";
}

TEST_F(LinkFixture, ImplicitLinksOfTheKindsRecognised)
{
    struct Case {
        const char* line;
        int col;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        { "see https://a.io/x.", 6, "https://a.io/x" },
        { "(https://a.io/p,q),", 5, "https://a.io/p,q" },
        { "w https://w.io/F_(b)", 6, "https://w.io/F_(b)" },
        { "mailto:me@a.io", 3, "mailto:me@a.io" },
        { "open ./out/run.log", 8, "./out/run.log" },
        { "cd ../up", 5, "../up" },
        { "edit ~/notes.txt", 8, "~/notes.txt" },
        { "run /usr/bin", 6, "/usr/bin" },
        { "cd $HOME/x", 4, "$HOME/x" },
        { "ls .config/app", 5, ".config/app" },
        { "src/main.cpp:12", 2, "src/main.cpp:12" },
        { "a$HOME/notes.txt", 9, std::nullopt },
        { "see https://a.io/x.", 1, std::nullopt },
        { "file.txt alone", 2, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        terminal.resetToInitialState();
        terminal.feed(c.line);
        EXPECT_EQ(textAt(c.col, 0), c.expected);
    }
}

// Columns count cells: wide characters and clusters of several scalars before a link move it by
// their width, not by their length in the text.
TEST_F(LinkFixture, ImplicitLinkColumnsFollowCellsNotText)
{
    struct Case {
        const char* prefix;
        int firstColumn;
    };
    const Case cases[] = {
        { "\xE6\xBC\xA2\xE5\xAD\x97 ", 5 },
        { "e\xCC\x81 ", 2 },
        { "\xF0\x9F\x98\x80 ", 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix);
        terminal.resetToInitialState();
        terminal.feed(std::string(c.prefix) + "https://a.io");
        const auto match = at(c.firstColumn + 1, 0);
        ASSERT_TRUE(match);
        EXPECT_EQ(match->text, "https://a.io");
        EXPECT_EQ(match->range, (Range { c.firstColumn, c.firstColumn + 12 }));
        EXPECT_EQ(at(c.firstColumn - 1, 0), std::nullopt);
    }
}

TEST_F(LinkFixture, SoftWrappedLinkIsOneMatch)
{
    terminal.feed("go https://example.com/a/long/path");
    const auto match = at(2, 1);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, "https://example.com/a/long/path");
    EXPECT_EQ(match->row, 1);
    EXPECT_EQ(match->range, (Range { 0, 14 }));
    EXPECT_EQ(match->rowRanges, (RowRanges { { 0, Range { 3, 20 } }, { 1, Range { 0, 14 } } }));
}

// A minified file printed without line breaks is one paragraph of many rows; only the rows around the
// asked one are searched, and a link there is still found whole.
TEST_F(LinkFixture, LinkInsideAParagraphOfManyRows)
{
    std::string filler;
    while (filler.size() < 40 * 20)
        filler += "x ";
    terminal.feed(filler + "https://example.com/a/long/path " + filler);

    const auto match = at(3, 41);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, "https://example.com/a/long/path");
    EXPECT_EQ(match->rowRanges, (RowRanges { { 40, Range { 0, 20 } }, { 41, Range { 0, 11 } } }));
    EXPECT_EQ(at(5, 81), std::nullopt);
}

// A program that wraps its own output breaks the row with a newline: the rows join when the upper
// one reaches near the right edge (16 of 20 columns) and a link runs across the break.
TEST_F(LinkFixture, LinkBrokenByTheProgramJoinsItsRows)
{
    struct Case {
        const char* name;
        const char* input;
        Position asked;
        std::string expected;
        RowRanges rowRanges;
    };
    const Case cases[] = {
        { "upper row", "go https://exampl\r\ne.com/page", { 5, 0 }, "https://example.com/page",
          { { 0, Range { 3, 17 } }, { 1, Range { 0, 10 } } } },
        { "lower row", "go https://exampl\r\ne.com/page", { 2, 1 }, "https://example.com/page",
          { { 0, Range { 3, 17 } }, { 1, Range { 0, 10 } } } },
        { "indented continuation", "go https://exampl\r\n  e.com/page", { 4, 1 }, "https://example.com/page",
          { { 0, Range { 3, 17 } }, { 1, Range { 2, 12 } } } },
        { "three rows", "    ~/aaaaaaaaaaaaaa\r\nbbbbbbbbbbbbbbbbbbbb\r\ncc/d.txt", { 3, 1 },
          "~/aaaaaaaaaaaaaabbbbbbbbbbbbbbbbbbbbcc/d.txt",
          { { 0, Range { 4, 20 } }, { 1, Range { 0, 20 } }, { 2, Range { 0, 8 } } } },
        { "upper row ends too far left", "go https://exa\r\nmple.com", { 5, 0 }, "https://exa",
          { { 0, Range { 3, 14 } } } },
        { "break after a blank", "go https://example \r\n.com/page", { 5, 0 }, "https://example",
          { { 0, Range { 3, 18 } } } },
        { "no link across the break", "one two three four\r\nfive ./six", { 7, 1 }, "./six",
          { { 1, Range { 5, 10 } } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        terminal.feed(c.input);
        const auto match = at(c.asked.col, c.asked.row);
        ASSERT_TRUE(match);
        EXPECT_EQ(match->text, c.expected);
        EXPECT_EQ(match->rowRanges, c.rowRanges);
        EXPECT_FALSE(match->isExplicit);
    }
}

// A match that only starts after a "$" is the tail of a word, in lookup and at a row break alike;
// one that starts at the "$" counts.
TEST_F(LinkFixture, MatchAfterADollarSignIsNoLink)
{
    terminal.feed("text aaHOME/dirname\r\nx/file.txt");
    auto joined = at(2, 1);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->text, "aaHOME/dirnamex/file.txt");

    terminal.resetToInitialState();
    terminal.feed("text a$HOME/dirname\r\nx/file.txt");
    EXPECT_EQ(textAt(9, 0), std::nullopt);
    const auto alone = at(2, 1);
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->text, "x/file.txt") << "the break is no seam: the match across it follows a \"$\"";
    EXPECT_EQ(alone->rowRanges, (RowRanges { { 1, Range { 0, 10 } } }));

    terminal.resetToInitialState();
    terminal.feed("text aa $HOME/dirnam\r\ne/file.txt");
    EXPECT_EQ(textAt(2, 1), "$HOME/dirname/file.txt");
}

TEST_F(LinkFixture, NoLinkInAnEmptyOrUnwrittenPlace)
{
    EXPECT_EQ(at(0, 0), std::nullopt);
    terminal.feed("https://a.io");
    EXPECT_EQ(at(15, 0), std::nullopt) << "beyond the row's text";
    EXPECT_EQ(at(3, 2), std::nullopt);
}

// A lookup matches only a window of text around the asked cell, so a screen full of link-like text
// (which took seconds) answers at once, and links inside such text are still found whole.
TEST(ImplicitLinkWindow, LinksInsideLongRunsOfLinkCharactersAreFoundWhole)
{
    Terminal terminal(nullptr, screenSize(200, 20));
    const std::string hex(1500, 'f');
    const std::string url = "https://example.org/" + std::string(200, 'p') + "/end";
    terminal.feed(hex + " " + url + " " + hex);
    const auto lookup = [&](int offset) {
        return terminal.link(LinkLookupLocation::buffer({ offset % 200, offset / 200 }),
                             LinkLookupMode::explicitAndImplicit);
    };
    EXPECT_EQ(lookup(700), std::nullopt) << "hexadecimal digits are no link";
    for (int offset : { 1501, 1600, 1501 + int(url.size()) - 1 }) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(lookup(offset), url);
    }
}

} // namespace
} // namespace zentrova
