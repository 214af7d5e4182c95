#include "BrambletCore/Models/Date.h"

#include <cmath>

namespace bramblet {

namespace {

// 2001-01-01T00:00:00Z in Unix seconds.
constexpr std::chrono::seconds referenceDateOffset { 978307200 };

} // namespace

double secondsSinceReferenceDate(Date date)
{
    const auto sinceReference = date.time_since_epoch() - referenceDateOffset;
    return std::chrono::duration<double>(sinceReference).count();
}

std::optional<Date> dateFromSecondsSinceReferenceDate(double seconds)
{
    // Whole seconds short of the clock's end on either side, so that the conversion to
    // nanoseconds cannot round past it.
    constexpr auto limit = double(std::chrono::duration_cast<std::chrono::seconds>(Date::duration::max()).count());
    const double sinceEpoch = seconds + double(referenceDateOffset.count());
    if (!(std::abs(sinceEpoch) < limit))
        return std::nullopt;
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(sinceEpoch)));
}

} // namespace bramblet
