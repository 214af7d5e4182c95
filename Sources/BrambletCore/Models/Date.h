#pragma once

#include <chrono>
#include <optional>

namespace bramblet {

// Dates of files and records. On Linux the system clock counts nanoseconds, which keeps
// file-system modification times exact for comparisons.
using Date = std::chrono::system_clock::time_point;

// Stored records write dates as seconds since 1 January 2001 00:00:00 UTC, the reference date
// the saved state has always used. Only dates whose nanosecond counts since both 1970 and 2001 fit
// the clock can be stored, a whole second in from either end so that rounding cannot pass it:
// roughly the years 1708 to 2262.
Date earliestStoredDate();
Date latestStoredDate();

// A date outside the storable range is written as the nearest end of it.
double secondsSinceReferenceDate(Date date);
// A count outside the storable range, or one that is not finite, is no date.
std::optional<Date> dateFromSecondsSinceReferenceDate(double seconds);

} // namespace bramblet
