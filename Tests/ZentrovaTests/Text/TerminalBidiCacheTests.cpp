// The process-wide paragraph caches: reuse by position, reuse by content after text moved to other
// rows, and emptying when full.

#include "Engine/RecordingTerminalDelegate.h"
#include "Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Text/TerminalBidi.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace zentrova {
namespace {

constexpr uint64_t font = 7;

struct BidiCacheFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, screenSize(10, 5) };

    void SetUp() override { TerminalBidi::clearCaches(); }

    TerminalBidi::SharedParagraphResult paragraph(int row)
    {
        return TerminalBidi::paragraphResult(row, terminal.buffer(), terminal.cols, terminal, font);
    }
};

TEST_F(BidiCacheFixture, SameParagraphComesFromThePositionCache)
{
    terminal.feed("\u05E9\u05DC\u05D5\u05DD");
    const auto first = paragraph(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(paragraph(0), first);
    EXPECT_EQ(TerminalBidi::cacheStatistics().contentMisses, 1u);
    // Any change of the row makes a new revision and a new layout.
    terminal.feed("!");
    const auto changed = paragraph(0);
    ASSERT_TRUE(changed);
    EXPECT_NE(changed, first);
    EXPECT_NE(changed->rows.at(0).paragraphRevision, first->rows.at(0).paragraphRevision);
    // Another font is another key.
    EXPECT_NE(TerminalBidi::paragraphResult(0, terminal.buffer(), terminal.cols, terminal, font + 1), changed);
}

TEST_F(BidiCacheFixture, MovedTextIsReusedByContentUnderItsNewRowsAndRevision)
{
    terminal.feed("\u05E9\u05DC\u05D5\u05DD\r\n\r\n\u05E9\u05DC\u05D5\u05DD");
    Buffer& buffer = terminal.buffer();
    const auto original = paragraph(0);
    ASSERT_TRUE(original);
    const auto copy = paragraph(2);
    ASSERT_TRUE(copy);
    const auto statistics = TerminalBidi::cacheStatistics();
    EXPECT_EQ(statistics.contentHits, 1u);
    EXPECT_EQ(statistics.contentMisses, 1u);
    ASSERT_EQ(copy->rows.count(2), 1u);
    EXPECT_EQ(copy->rows.count(0), 0u);
    const BidiRowLayout& moved = copy->rows.at(2);
    EXPECT_EQ(moved.paragraphRevision, TerminalBidi::layoutRevision(2, buffer, 500));
    EXPECT_NE(moved.paragraphRevision, original->rows.at(0).paragraphRevision);
    BidiRowLayout rebased = original->rows.at(0);
    rebased.paragraphRevision = moved.paragraphRevision;
    EXPECT_EQ(moved, rebased);

    // Inserting a line at the top moves the first paragraph down a row.
    terminal.feed("\x1b[H\x1b[L");
    const auto scrolled = paragraph(1);
    ASSERT_TRUE(scrolled);
    EXPECT_EQ(TerminalBidi::cacheStatistics().contentHits, 2u);
    ASSERT_EQ(scrolled->rows.count(1), 1u);
    EXPECT_EQ(scrolled->rows.at(1).paragraphRevision, TerminalBidi::layoutRevision(1, buffer, 500));
    EXPECT_EQ(scrolled->rows.at(1).visualToLogicalCol, original->rows.at(0).visualToLogicalCol);
}

TEST_F(BidiCacheFixture, TheEntryAfterTwoHundredFiftySixEmptiesTheCaches)
{
    Terminal tall(&delegate, screenSize(10, 260));
    // 257 rows of different right-to-left text.
    for (int row = 0; row < 257; row++)
        tall.feed("\u05D0" + std::to_string(row) + (row < 256 ? "\r\n" : ""));
    const auto build = [&](int row) {
        return TerminalBidi::paragraphResult(row, tall.buffer(), tall.cols, tall, font);
    };
    for (int row = 0; row < 256; row++)
        ASSERT_TRUE(build(row));
    auto statistics = TerminalBidi::cacheStatistics();
    EXPECT_EQ(statistics.paragraphEntries, 256u);
    EXPECT_EQ(statistics.contentEntries, 256u);
    ASSERT_TRUE(build(256));
    statistics = TerminalBidi::cacheStatistics();
    EXPECT_EQ(statistics.paragraphEntries, 1u);
    EXPECT_EQ(statistics.contentEntries, 1u);
    // The first row's layout is gone with the rest: it is built again.
    EXPECT_TRUE(build(0));
    EXPECT_EQ(TerminalBidi::cacheStatistics().contentMisses, 258u);
}

TEST_F(BidiCacheFixture, CallersOnSeveralThreadsShareTheCaches)
{
    // Each thread lays out its own screen, three times over; together they fill the caches past their
    // bound, so entries are emptied while other threads hold results taken from them.
    constexpr int threads = 4;
    constexpr int rows = 80;
    std::vector<std::unique_ptr<Terminal>> screens;
    std::vector<std::vector<std::vector<int>>> expected(threads);
    for (int index = 0; index < threads; index++) {
        screens.push_back(std::make_unique<Terminal>(&delegate, screenSize(12, rows)));
        for (int row = 0; row < rows; row++)
            screens.back()->feed("\u05D0" + std::to_string(index * 1000 + row) + " ab" + (row + 1 < rows ? "\r\n" : ""));
        for (int row = 0; row < rows; row++) {
            Terminal& screen = *screens.back();
            expected[size_t(index)].push_back(
                TerminalBidi::paragraphResult(row, screen.buffer(), 12, screen, font)->rows.at(row).visualToLogicalCol);
        }
    }
    std::vector<int> mismatches(threads, 0);
    std::vector<std::thread> workers;
    for (int index = 0; index < threads; index++) {
        workers.emplace_back([&, index] {
            Terminal& screen = *screens[size_t(index)];
            for (int pass = 0; pass < 3; pass++) {
                for (int row = 0; row < rows; row++) {
                    const auto result = TerminalBidi::paragraphResult(row, screen.buffer(), 12, screen, font);
                    if (!result || result->rows.at(row).visualToLogicalCol != expected[size_t(index)][size_t(row)])
                        mismatches[size_t(index)]++;
                }
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(mismatches, std::vector<int>(threads, 0));
}

} // namespace
} // namespace zentrova
