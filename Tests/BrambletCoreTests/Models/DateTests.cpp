#include "BrambletCore/Models/Date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bramblet {
namespace {

using std::chrono::seconds;

// Seconds since 2001 for a year's first day, near enough for the range checks.
constexpr double yearsSince2001(double years)
{
    return years * 365.2425 * 86400;
}

TEST(Date, StoredSecondsAreReadOnlyInsideTheRangeBothConversionsHold)
{
    struct Case {
        const char* name;
        double seconds;
        bool readable;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        { "the reference date", 0, true },
        { "2024 with a fraction", 757382400.25, true },
        { "1710", yearsSince2001(1710 - 2001), true },
        { "2261", yearsSince2001(2261 - 2001), true },
        // The clock holds these since 1970, not since 2001: writing them back would overflow.
        { "1677", yearsSince2001(1677.5 - 2001), false },
        { "1690", yearsSince2001(1690 - 2001), false },
        { "1707", yearsSince2001(1707 - 2001), false },
        { "2263", yearsSince2001(2263 - 2001), false },
        { "far future", 1e30, false },
        { "far past", -1e30, false },
        { "infinity", infinity, false },
        { "minus infinity", -infinity, false },
        { "not a number", std::nan(""), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto date = dateFromSecondsSinceReferenceDate(c.seconds);
        ASSERT_EQ(date.has_value(), c.readable);
        if (date) {
            EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(*date), c.seconds) << "written back as read";
        }
    }
}

TEST(Date, TheEndsOfTheStoredRangeRoundTripExactly)
{
    for (const Date end : { earliestStoredDate(), latestStoredDate() }) {
        const double written = secondsSinceReferenceDate(end);
        const auto read = dateFromSecondsSinceReferenceDate(written);
        ASSERT_TRUE(read) << written;
        EXPECT_EQ(*read, end);
    }
    EXPECT_FALSE(dateFromSecondsSinceReferenceDate(secondsSinceReferenceDate(earliestStoredDate()) - 1));
    EXPECT_FALSE(dateFromSecondsSinceReferenceDate(secondsSinceReferenceDate(latestStoredDate()) + 1));
}

TEST(Date, DatesOutsideTheStoredRangeAreWrittenAsItsNearestEnd)
{
    struct Case {
        const char* name;
        Date date;
        Date written;
    };
    const Case cases[] = {
        { "the clock's first instant", Date::min(), earliestStoredDate() },
        { "1690", Date(seconds(-8'800'000'000)), earliestStoredDate() },
        { "a second before the range", earliestStoredDate() - seconds(1), earliestStoredDate() },
        { "the clock's last instant", Date::max(), latestStoredDate() },
        { "a second after the range", latestStoredDate() + seconds(1), latestStoredDate() },
        { "inside the range", Date(seconds(978307200 + 5)), Date(seconds(978307200 + 5)) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double written = secondsSinceReferenceDate(c.date);
        EXPECT_EQ(written, secondsSinceReferenceDate(c.written));
        EXPECT_EQ(dateFromSecondsSinceReferenceDate(written), c.written) << "what is written reads back";
    }
}

} // namespace
} // namespace bramblet
