#pragma once

#include "ScopedEnvironmentVariable.h"

#include <optional>
#include <string>

namespace testsupport
{
/** Local time follows the given POSIX zone ("UTC0", "CET-1") until the object goes, so texts made
    from local time are the same on every machine. */
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone (const std::string& zone);
    ~ScopedTimeZone();

private:
    std::optional<ScopedEnvironmentVariable> variable;
};
} // namespace testsupport
