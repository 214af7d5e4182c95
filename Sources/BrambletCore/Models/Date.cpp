#include "BrambletCore/Models/Date.h"

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

Date dateFromSecondsSinceReferenceDate(double seconds)
{
    const auto sinceReference = std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(seconds));
    return Date(referenceDateOffset + sinceReference);
}

} // namespace bramblet
