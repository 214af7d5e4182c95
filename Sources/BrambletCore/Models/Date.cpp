#include "BrambletCore/Models/Date.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace bramblet {

namespace {

using std::chrono::seconds;

// 2001-01-01T00:00:00Z in Unix seconds.
constexpr seconds referenceDateOffset { 978307200 };
// The clock's ends in whole seconds, one second in.
constexpr seconds clockLimit { std::chrono::duration_cast<seconds>(Date::duration::max()).count() - 1 };

// The count since the reference date is the count since 1970 less the offset, so the early end
// is bound by the first and the late end by the second.
constexpr seconds earliestSinceEpoch = -clockLimit + referenceDateOffset;
constexpr seconds latestSinceEpoch = clockLimit;

} // namespace

Date earliestStoredDate()
{
    return Date(earliestSinceEpoch);
}

Date latestStoredDate()
{
    return Date(latestSinceEpoch);
}

double secondsSinceReferenceDate(Date date)
{
    const Date stored = std::clamp(date, earliestStoredDate(), latestStoredDate());
    return std::chrono::duration<double>(stored.time_since_epoch() - referenceDateOffset).count();
}

std::optional<Date> dateFromSecondsSinceReferenceDate(double seconds)
{
    const double sinceEpoch = seconds + double(referenceDateOffset.count());
    // Written so that NaN fails too.
    if (!(sinceEpoch >= double(earliestSinceEpoch.count()) && sinceEpoch <= double(latestSinceEpoch.count())))
        return std::nullopt;
    // Whole seconds and the fraction apart: nanoseconds near the range's ends need more digits than
    // a double has, and whole seconds then come back exactly.
    const double whole = std::floor(sinceEpoch);
    return Date(std::chrono::seconds(std::int64_t(whole)))
        + std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(sinceEpoch - whole));
}

} // namespace bramblet
