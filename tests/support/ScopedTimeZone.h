#pragma once

#include "ScopedEnvironmentVariable.h"

namespace testsupport
{
/** Local time follows the given POSIX zone ("UTC0", "CET-1") until the object goes, so texts made
    from local time are the same on every machine. */
struct ScopedTimeZone : ScopedEnvironmentVariable
{
    explicit ScopedTimeZone (const std::string& zone) : ScopedEnvironmentVariable ("TZ", zone) {}
};
} // namespace testsupport
