#include "ScopedTimeZone.h"

#include <ctime>

namespace testsupport
{
// localtime_r need not look at TZ again by itself, hence tzset on both edges.
ScopedTimeZone::ScopedTimeZone (const std::string& zone)
{
    variable.emplace ("TZ", zone);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    variable.reset();
    ::tzset();
}
} // namespace testsupport
