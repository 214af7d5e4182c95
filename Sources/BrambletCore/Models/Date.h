#pragma once

#include <chrono>

namespace bramblet {

// Dates of files and records. On Linux the system clock counts nanoseconds, which keeps
// file-system modification times exact for comparisons.
using Date = std::chrono::system_clock::time_point;

// Stored records write dates as seconds since 1 January 2001 00:00:00 UTC, the reference date
// the saved state has always used.
double secondsSinceReferenceDate(Date date);
Date dateFromSecondsSinceReferenceDate(double seconds);

} // namespace bramblet
