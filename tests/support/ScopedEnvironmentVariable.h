#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace testsupport
{
/** Sets (or, with no value, removes) one environment variable of this process and puts the previous
    state back when the object goes. */
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable (std::string variable, std::optional<std::string> value) : name (std::move (variable))
    {
        if (const char* current = std::getenv (name.c_str()))
            previous = current;

        apply (value);
    }

    ~ScopedEnvironmentVariable() { apply (previous); }

    ScopedEnvironmentVariable (const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator= (const ScopedEnvironmentVariable&) = delete;

private:
    void apply (const std::optional<std::string>& value) const
    {
        if (value)
            ::setenv (name.c_str(), value->c_str(), 1);
        else
            ::unsetenv (name.c_str());

        ::tzset(); // local time need not look at TZ again by itself
    }

    const std::string name;
    std::optional<std::string> previous;
};
} // namespace testsupport
