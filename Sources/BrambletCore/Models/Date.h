#pragma once

#include <chrono>
#include <optional>

namespace bramblet {

// Dates of files and records. On Linux the system clock counts nanoseconds, which keeps
// file-system modification times exact for comparisons.
using Date = std::chrono::system_clock::time_point;

// Stored records write dates as seconds since 1 January 2001 00:00:00 UTC, the reference date
// the saved state has always used. A count the nanosecond clock cannot hold (roughly outside the
// years 1677-2262), or one that is not finite, is no date.
double secondsSinceReferenceDate(Date date);
std::optional<Date> dateFromSecondsSinceReferenceDate(double seconds);

} // namespace bramblet
