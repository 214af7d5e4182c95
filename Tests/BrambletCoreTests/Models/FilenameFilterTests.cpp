#include "BrambletCore/Models/FilenameFilter.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

TEST(FilenameFilter, MatchTable)
{
    struct Case {
        const char* query;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        // plain mode: case-insensitive substring, accents count
        { "", "anything", true },
        { "Read", "README.md", true },
        { "Read", "unread.txt", true },
        { "Read", "rea.d", false },
        { "cafe", "Café.txt", false },
        { "CAFÉ", "café.txt", true },
        { " a", "a b", false }, // the query is used exactly as typed, spaces included
        // wildcard mode: whole-name match, lower-cased on both sides
        { "*.JPG", "photo.jpg", true },
        { "*.JPG", "photo.jpg.bak", false },
        { "*.jpg", "PHOTO.JPG", true },
        { "a?c", "abc", true },
        { "a?c", "ac", false },
        { "a?c", "abbc", false },
        { "*", "", true },
        { "*", ".hidden", true },
        { "?", "", false },
        { "**a**", "banana", true },
        { "*a", "banana", true },
        { "*n", "banana", false },
        { "b*a*a", "banana", true },
        { "report?", "report", false },
        { "a*b.txt", "a-b-c-b.txt", true },
        { "a*b.txt", "a-b.txt.b", false },
        { "*x*y?", "XaXbYz", true },
        { "*x*y?", "XaXbY", false },
        { "line?break", "line\nbreak", true },
        { "bad*", "bad\xff", true },
        // graphemes: "?" is one visible character even when it is several code points
        { "caf?", "cafe\u0301", true },
        { "flag-?", "flag-\U0001F1EB\U0001F1F7", true },
        { "flag-??", "flag-\U0001F1EB\U0001F1F7", false },
        { "?.txt", "\U0001F469\u200D\U0001F4BB.txt", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " vs " + c.name);
        const FilenameFilter filter(QString::fromUtf8(c.query));
        EXPECT_EQ(filter.matches(QString::fromUtf8(c.name)), c.matches);
        // The walk's path, on the name's bytes, agrees.
        EXPECT_EQ(filter.matchesUtf8(c.name), c.matches);
    }
}

TEST(FilenameFilter, LongestLiteralIsWhatEveryMatchContains)
{
    EXPECT_EQ(FilenameFilter("report*.pdf").longestLiteral(), "report");
    EXPECT_EQ(FilenameFilter("a*b.txt").longestLiteral(), "b.txt");
    EXPECT_EQ(FilenameFilter("?hoto.jp?").longestLiteral(), "hoto.jp");
    EXPECT_EQ(FilenameFilter("plain text").longestLiteral(), "plain text");
    EXPECT_EQ(FilenameFilter("*?*").longestLiteral(), "");
}

TEST(FilenameFilter, ModeFollowsTheQuery)
{
    EXPECT_FALSE(FilenameFilter("plain").isWildcard());
    EXPECT_TRUE(FilenameFilter("a*").isWildcard());
    EXPECT_TRUE(FilenameFilter("a?").isWildcard());
    EXPECT_EQ(FilenameFilter(" Exact ").query(), " Exact ");
}

} // namespace
} // namespace bramblet
